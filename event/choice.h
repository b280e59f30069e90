// The choice window that scripts fill and the player answers in the field, and the key handling
// that moves the cursor of whichever list window has the focus in the field and the menus.
#pragma once
#include <string>
#include <string_view>

#include "gfx/listwin.h"

enum ChoiceStateValue { CHOICE_IDLE = 0, CHOICE_BUILDING = 1, CHOICE_SHOWN = 2 };

constexpr float kChoiceX = 32.0f;
// The choice sits above the message box with its bottom edge 8 pixels from it.
constexpr float kChoiceBottom = 360.0f;

struct ChoiceWindow {
  LISTWIN list;
  int selected = 0;  // the value of the answered entry
  int pending = 0;   // 1 while the player is to answer
  int state = CHOICE_IDLE;
};

extern ChoiceWindow gChoice;

// Back to the state at boot.
void choiceReset();

// Operations of the script commands.
// A new choice is being built: a list of one free entry.
void choiceBegin();
// The list made anew with that many free entries.
void choiceMake(int entries);
// The text becomes the first free entry, with its value.
void choiceAdd(std::string_view sjisText, int value);
// The list sized for that many rows.
void choiceFit(int rows);
// The choice is shown and waits for the answer; the list opens from closed.
void choiceShow();

// Queries and answer of the field.
// True while the choice is being built or its list is still opening.
bool choiceBusy();
// The answer: the value of the cursor entry becomes the selected value and the choice is no
// longer pending. Returns the selected value.
int choiceAnswer();

// Drawn by the field while a choice is pending.
void choiceDraw();

// Moves the cursor of a list with the arrow keys once the key repeat gate is above 85: the first
// of Up, Left, Down, Right that is pressed or held steps by -columns, -1, +columns, +1; the
// cursor sound plays and the gate becomes -48 after a fresh press, 0 while held. Returns true
// when a key was acted on.
bool listKeys(LISTWIN& list);

// The choice state as one JSON object (entry texts as UTF-8).
std::string choiceStateJson();
