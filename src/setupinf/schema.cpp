#include "setupinf/schema.h"

#include <cstring>

#include "setupinf/media_reader.h"
#include "setupinf/profile.h"
#include "setupinf/values.h"

namespace corvid::schema {

int32_t Read(const SetupDescription& d, const IntKey& k) {
    return d.ReadInteger(k.section, k.key, k.deflt);
}

bool Read(const SetupDescription& d, const FlagKey& k) {
    return d.ReadBool(k.section, k.key, k.deflt);
}

std::string Read(const SetupDescription& d, const TextKey& k) {
    return d.ReadString(k.section, k.key, k.deflt);
}

bool FilePhaseOn(const SetupDescription& d) {
    return Read(d, kMedium) != kMedium.deflt;
}

std::string PictureMemberName(const std::string& picturePath) {
    std::string member = FileNamePart(picturePath);
    if (!member.empty()) member.back() = 'p';
    return member;
}

std::string ComponentKey(int n, const char* what) {
    return "Opt" + std::to_string(n) + "_" + what;
}

std::string ReadComponentName(const SetupDescription& d, int n) {
    return d.ReadString(kComponentSection, ComponentKey(n, "name"), "");
}

int32_t ReadComponentSpace(const SetupDescription& d, int n) {
    return d.ReadInteger(kComponentSection, ComponentKey(n, "space"), 0);
}

int32_t ReadComponentProgress(const SetupDescription& d, int n) {
    return d.ReadInteger(kComponentSection, ComponentKey(n, "cs"), 0);
}

bool ReadComponentHasItems(const SetupDescription& d, int n) {
    return d.ReadBool(kComponentSection, ComponentKey(n, "prgitem"), false);
}

TypeOffers ReadTypeOffers(const SetupDescription& d) {
    TypeOffers t;
    t.minimal = d.ReadBool("software", "o_min", false);
    t.cd = d.ReadBool("software", "o_cd", false);
    t.custom = d.ReadBool("software", "o_custom", false);
    t.standard = d.ReadBool("software", "o_standard", false);
    return t;
}

bool SetupTypePageShown(const TypeOffers& t) {
    return (t.cd || t.minimal || t.custom) && (!t.cd || t.standard || t.custom);
}

std::string DirectoryKey(const std::string& component, int32_t row) {
    return "d" + component + "_" + std::to_string(row);
}

std::string DirectoryKey(int component, int32_t row) {
    return DirectoryKey(std::to_string(component), row);
}

std::string ReadPhaseDirectory(const SetupDescription& d, int component, int32_t row) {
    return d.ReadString(kDirectoryRows.section, DirectoryKey(component, row), "%");
}

bool MadeByDirectoryPhase(const std::string& value) {
    return value.find('%') == std::string::npos;
}

std::string ReadFileDirectory(const SetupDescription& d, const std::string& component,
                              int32_t row) {
    return d.ReadString(kDirectoryRows.section, DirectoryKey(component, row), "\\");
}

bool HasSystemRoot(const std::string& value) {
    return FoldCase(value).find(FoldCase(kSystemRoot)) != std::string::npos;
}

std::string SystemRootRest(const std::string& value) {
    const size_t skip = std::strlen(kSystemRoot);
    return value.size() > skip ? value.substr(skip) : std::string();
}

Place PlaceOfDirectory(const std::string& value) {
    if (HasSystemRoot(value)) return Place{true, SystemRootRest(value)};
    return Place{false, value};
}

std::string OptionSection(const std::string& component) {
    return "Option_" + component;
}

std::string OptionSection(int component) {
    return OptionSection(std::to_string(component));
}

std::string RowKey(const char* prefix, int32_t n) {
    return prefix + std::to_string(n);
}

bool ReadFileRow(const SetupDescription& d, int component, int32_t j, FileRow& row) {
    const SetupDescription::OneLook one(d);
    const std::string section = OptionSection(component);
    row.name = d.ReadString(section, RowKey(kFileName, j), kEndOfList);
    if (row.name == kEndOfList) return false;
    row.directory = d.ReadInteger(section, RowKey(kFileDirectory, j), 0);
    row.volume = d.ReadString(section, RowKey(kFileVolume, j), kFirstVolume);
    row.offset = d.ReadInteger(section, RowKey(kFileOffset, j), 0);
    row.length = d.ReadInteger(section, RowKey(kFileLength, j), 1);
    row.hasChecksum =
        ParseChecksum(d.ReadString(section, RowKey(kFileChecksum, j), ""), row.checksum);
    return true;
}

Place PlaceOfFile(const SetupDescription& d, const std::string& component, int32_t directory,
                  const std::string& name) {
    if (directory == 0) return Place{false, "\\" + name};
    Place place = PlaceOfDirectory(ReadFileDirectory(d, component, directory));
    place.rest += name;
    return place;
}

ProgramItem ReadProgramItem(const SetupDescription& d, int32_t n) {
    ProgramItem item;
    item.component = d.ReadInteger(kProgramItemRows.section, RowKey("o", n), item.component);
    item.file = d.ReadInteger(kProgramItemRows.section, RowKey("f", n), item.file);
    return item;
}

Association ReadAssociation(const SetupDescription& d, int32_t n) {
    const char* section = kAssociationRows.section;
    Association a;
    a.extension = d.ReadString(section, RowKey("e", n), kNothing);
    a.description = d.ReadString(section, RowKey("n", n), "");
    a.component = d.ReadString(section, RowKey("o", n), "d0");
    a.file = d.ReadString(section, RowKey("f", n), "");
    return a;
}

Place PlaceOfProgram(const SetupDescription& d, const Association& a) {
    const std::string section = OptionSection(a.component);
    const std::string name = d.ReadString(section, kFileName + a.file, "");
    const int32_t directory = d.ReadInteger(section, kFileDirectory + a.file, 0);
    return PlaceOfFile(d, a.component, directory, name);
}

} // namespace corvid::schema
