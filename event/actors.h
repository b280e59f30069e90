// The actor array: the characters of the scene (entries of the character table) with one actor
// script each, the conversation state, and the per-frame step of all actor scripts.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "event/script.h"
#include "gfx/chara.h"

// The runner of one actor: its script, where it stood when a conversation began, the heading
// saved for f28, and its own actor number (its slot in the array).
struct ActorScript {
  Script script;
  int32_t savedPosition = 0;
  float savedHeading = 0.0f;
  int actorNumber = 0;
};

constexpr int kActorNameLimit = 127;  // bytes of a display name or a script name
// The most actors a script may ask for.
constexpr int kMaxActors = 256;
constexpr size_t kMostSetUpsAFrame = 16;  // f18 and f22 between two steps of the actors
// Actor values that scripts keep without a named role (f7 properties 11, 12, 17 and 19);
// value 1 holds the flags whose bit 1 property 10 sets.
constexpr int kActorValues = 4;

struct Actor {
  ActorScript runner;
  int32_t activeMark = 1;
  std::string name;        // display name
  std::string scriptName;  // the actor script's name
  float turnStep = 0.0f;   // f28: heading added per frame while turnFrames > 0
  int32_t turnFrames = 0;
  int32_t values[kActorValues] = {};
  int32_t lookFrames = 0;  // f48: frames of the next head turn
};

extern std::vector<Actor> gActors;  // parallel to the character table
// The actor whose script is in a conversation; 0 when none (or the event script).
extern int gTalkingActor;
// Each actor script's active flag as it was when the last conversation began.
extern std::vector<int32_t> gSavedActiveFlags;

// Makes the array anew: n actors, each with an empty inactive script, a character at (0, 0, 0)
// with opacity 0, and active mark 1. 0 only destroys.
void setUpActors(int count);
int actorCount();
// Actor i and its character, or null outside the array.
Actor* actorAt(int i);
CHARA* actorChara(int i);
// Whether actor i's character has a model.
bool actorHasModel(int i);

// One frame of all actor scripts, actor 0 first; after each script its timed turn advances.
void stepActors();
// Loads "ev\OSCR" name into actor i's script, makes it active and runs it at once.
void startActorScript(int i, std::string_view name);
// The talk entry: with text, the script saves its position, moves to "SPOKEN" searched forward,
// becomes active and runs at once. Returns whether the script had text.
bool enterSpoken(int i);

// Conversation flags: saveConversation saves every actor script's active flag and makes every
// script but talker's inactive; restoreConversation puts the saved flags back, except for the
// script of except (-1: none).
void saveConversation(int talker);
void restoreConversation(int except);
// Makes the saved-flag buffer anew for the current actors.
void resetConversationBuffers();

// Frees every actor (the quit path) and clears the conversation.
void resetActors();
// The "actors" member of the state dump.
std::string actorsStateJson();
