// What the text service does once per host process to make the typing engine
// usable: lexicons, context words, learned data and the one engine lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace miradot {

// Loads the lexicons from "data" next to the DLL, else one folder up. Runs
// once per process; later calls return the first result.
bool ensure_engine_data();

// Loads the learned-data file once per process; false when the process has
// no learned-data file (neither MIRADOT_USER_FILE nor APPDATA usable).
bool ensure_learned_data();

// Reloads the user's shorthand list when the file changed since the last
// look (size or write time), so that a running service follows its edits at
// the next key.
void refresh_user_shorthand();

// A changed clear counter drops the in-memory learned data, so the next save
// cannot write back what the settings program just deleted.
void honour_clear_seq(uint32_t clearSeq);

// Saves pending learning when forced or when the last save is 30 s old.
void save_learned_if_due(bool force);

// Called after every engine call that may have changed learned data.
void note_learning_change();

bool is_context_word(const wchar_t* word, size_t length);

// Every engine call that touches the process-wide tables runs inside this
// lock, and nothing else does.
void lock_engine();
void unlock_engine();

class EngineLock {
public:
    EngineLock() { lock_engine(); }
    ~EngineLock() { unlock_engine(); }
    EngineLock(const EngineLock&) = delete;
    EngineLock& operator=(const EngineLock&) = delete;
};

// The steps behind the once-per-process calls, for a given module path.
bool load_engine_data_near(const std::wstring& modulePath);
bool learned_data_path(std::wstring* path);

}  // namespace miradot
