#pragma once
#include <functional>
#include <string>

// What a sweep did, as data beside its text, for a script that reads it instead: each item changed
// (or that would be, in a preview), each one that stayed, each target refused, and notes.
struct SweepEvent {
    enum class Type { Item, Refused, Note };
    enum class Result { Removed, Scheduled, Left };
    Type type = Type::Note;
    int statusId = 0;            // the category's status line
    int item = 0;                // the item line's number; 0 for none
    const char* action = "";     // remove-file, delete-value, ... (an item's)
    std::string target;          // what the item or refusal names
    double kb = 0;
    Result result = Result::Removed;
    std::string text;            // a refusal's reason, a note's text
};

// Receives every event, from whichever thread sweeps; none by default.
void SetSweepEventSink(std::function<void(const SweepEvent&)> sink);
void EmitSweepEvent(const SweepEvent& event);

// What stayed and what was refused since the last reset: a script's exit code tells the first.
struct SweepOutcome {
    int left = 0;
    int refused = 0;
};
SweepOutcome SweepOutcomeSoFar();
void ResetSweepOutcome();
// An item the sweep set out to remove that stays, told to a script (the caller writes its line).
void NoteLeft(int statusId, const char* action, const std::string& target, const char* why);
