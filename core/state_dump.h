// The replay's state dump: one JSON object with members for the pieces of game state. Each
// subsystem writes its own members; app/ lists them all in one ordered table, so the order of
// the dump never changes by accident.
#pragma once
#include <span>
#include <string>
#include <string_view>

// One member: its name and the function that writes its value as JSON text (a number, a
// string literal, an array or a nested object).
struct StateMember {
  const char* name;
  std::string (*json)();
};

// The dump's text: "{", one member a line indented by two spaces, "}" and a line end.
class StateDump {
 public:
  void add(std::string_view name, std::string_view jsonValue);
  // Every member of the table, in its order.
  void add(std::span<const StateMember> members);
  std::string text() const;

 private:
  std::string body_;
};
