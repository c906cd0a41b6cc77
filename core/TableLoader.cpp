#include "core/TableLoader.h"

#include "platform/Message.h"
#include "platform/ProgramDir.h"
#include "settings/Settings.h"

namespace tessarim {

namespace {

const Key<keys::Int>& SecondsKey(FixTableId table) {
    return table == FixTableId::Big5 ? keys::Ageb5fix : keys::Agegbfix;
}

const Key<keys::Text>& ExactKey(FixTableId table) {
    return table == FixTableId::Big5 ? keys::Ageb5fixExact : keys::AgegbfixExact;
}

} // namespace

std::string SettingsFixStamps::ReadVersion(FixTableId table) const {
    return Read(IniFile(path_), ExactKey(table));
}

void SettingsFixStamps::Write(FixTableId table, const FixTableStamp& stamp) {
    IniFile ini(path_);
    tessarim::Write(ini, SecondsKey(table), stamp.seconds);
    tessarim::Write(ini, ExactKey(table), stamp.version);
}

FixTables& ProgramFixTables() {
    static FixTables tables;
    return tables;
}

namespace {

bool LoadQuietly(FixTables& tables, FixTableId table, const std::string& folder) {
    const std::string dir = folder.empty() ? ProgramDir() : folder;
    SettingsFixStamps stamps(dir + std::string(SettingsFileName));
    return LoadFixTableWithDefault(tables, table, dir, stamps);
}

} // namespace

void LoadFixTableForUse(FixTables& tables, FixTableId table, const std::string& folder) {
    if (!LoadQuietly(tables, table, folder))
        ShowMessage(MessageKind::Error,
                    "Cannot open \"" + std::string(FixTableFileName(table)) + "\".");
}

void LoadTablesForFace(FixTables& tables, Face face, const std::string& folder) {
    if (face == FaceT) LoadFixTableForUse(tables, FixTableId::Big5, folder);
    if (face == FaceS) LoadFixTableForUse(tables, FixTableId::Gbk, folder);
}

void LoadTablesForFaceAgain(FixTables& tables, Face face, const std::string& folder) {
    if (face == FaceT) LoadQuietly(tables, FixTableId::Big5, folder);
    if (face == FaceS) LoadQuietly(tables, FixTableId::Gbk, folder);
}

} // namespace tessarim
