#pragma once
// The program's correction tables: loaded from the program folder for what a
// conversion needs, their stamps kept in Tessarim.ini, and a table that cannot
// be read reported as the user knows it ("Cannot open "b5fix.dat".").
#include "engine/FixTableIndex.h"

#include <string>

namespace tessarim {

// The stamps in the settings file of the folder.
class SettingsFixStamps : public FixStampStore {
public:
    explicit SettingsFixStamps(std::string settingsPath) : path_(std::move(settingsPath)) {}
    std::string ReadVersion(FixTableId table) const override;
    void Write(FixTableId table, const FixTableStamp& stamp) override;

private:
    std::string path_;
};

// Why the program's settings folder must not be used (another user may change
// what it holds, plant links in it or replace a table), or empty when it may.
std::string SettingsFolderRefusal(const std::string& folder = {});

// The tables of the windowed program, which every window shares.
FixTables& ProgramFixTables();

// Loads the table from the folder (ending in '/'; the program folder when
// empty), writing the built-in default there first when the folder has none.
// A table that cannot be read, or that others than its owner may change, is
// reported in an error box and not used; the conversion goes on without it. A
// folder that cannot keep the index only costs the next load its time.
void LoadFixTableForUse(FixTables& tables, FixTableId table, const std::string& folder = {});

// The table a conversion to this typeface applies: the Big5 table for
// Traditional, the GBK table for Simplified, none for unchanged.
void LoadTablesForFace(FixTables& tables, Face face, const std::string& folder = {});
// The same for one more user of tables loaded already (a worker thread's own):
// nothing is shown, since their first load reported any failure.
void LoadTablesForFaceAgain(FixTables& tables, Face face, const std::string& folder = {});

// The tables `loaded` holds, loaded into a worker thread's own, quietly too.
void LoadTablesLike(FixTables& own, const FixTables& loaded, const std::string& folder = {});

} // namespace tessarim
