// Character sheets: any bytes are read without harm, with and without the other tables.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static const std::vector<ItemRecord> items(3);
  const std::span<const uint8_t> file(bytes, size);
  SchrRecord record;
  CharacterTables tables;
  data::parseCharacterSheet(file, {5, 7, 2, items}, record, tables);
  SchrRecord bare;
  CharacterTables bareTables;
  data::parseCharacterSheet(file, {}, bare, bareTables);
  return 0;
}
