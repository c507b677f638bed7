#pragma once
#include <string>
#include <vector>

// The community rules round of the hostile profile: a rules file whose exclusions hold '*' steps,
// lists and "*.*", whose keys are written every way (long hive names, trailing and repeated
// backslashes), through a registry link, one rule that deletes where Documents is before the next
// sweeps Documents, keys that hold the user's choices or sit right below a hive, and folders right
// below the drive. Its canaries are files, registry values and lines.

// Documents moved into the root, as a user moves it (both shell folder values); done first, so that
// every round's Documents is the moved one. Put back by RestoreHostileDocuments, last.
void MoveHostileDocuments(const std::string& root);
void RestoreHostileDocuments();
// The rules file in the profile's %APPDATA%\Ombrix, every rule ticked, with its files and keys.
void PlantHostileRules(const std::string& root);
void CheckHostileRules(const std::string& root, const std::vector<std::string>& logs, std::vector<std::string>& problems);
void RemoveHostileRules(const std::string& root);
