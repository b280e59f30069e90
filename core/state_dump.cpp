#include "core/state_dump.h"

#include "core/state_json.h"

void StateDump::add(std::string_view name, std::string_view jsonValue) {
  if (!body_.empty()) body_ += ",\n";
  body_ += "  ";
  body_ += state_json::quoted(name);
  body_ += ": ";
  body_ += jsonValue;
}

void StateDump::add(std::span<const StateMember> members) {
  for (const StateMember& member : members) add(member.name, member.json());
}

std::string StateDump::text() const {
  return "{\n" + body_ + "\n}\n";
}
