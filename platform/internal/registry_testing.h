// Hooks into the registry's store file for tests and the fuzz target; game code
// never uses them.
#pragma once

#include <string>
#include <string_view>

// Runs `hook` (null: nothing) on every save between writing the temporary file
// and renaming it over the store.
void SetStoreWriteHookForTests(void (*hook)());

// Parses the text of a store file. On success `written` holds the text a save of
// the parsed contents would write; false when the text cannot be parsed.
bool ReformatStoreForTests(std::string_view text, std::string& written);
