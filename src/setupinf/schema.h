// What the setup reads from a setup description, written down once: the sections and keys that
// more than one place reads or writes, their defaults, the end marker of a file list and the
// rules that turn directory values into places. The setup reads through it, corvid-pack writes
// by it and corvid-inf check reads through it, so that the three cannot drift apart. A key that
// one place of the setup alone reads stays at that place.
#pragma once

#include <cstdint>
#include <string>

#include "setupinf/setup_description.h"

namespace corvid::schema {

// A key the setup reads with a fixed default.
struct IntKey {
    const char* section;
    const char* key;
    int32_t deflt;
};
struct FlagKey {
    const char* section;
    const char* key;
    bool deflt;
};
struct TextKey {
    const char* section;
    const char* key;
    const char* deflt;
};

int32_t Read(const SetupDescription& d, const IntKey& k);
bool Read(const SetupDescription& d, const FlagKey& k);
std::string Read(const SetupDescription& d, const TextKey& k);

constexpr int kComponents = 7;
// The value of picture, text and directory keys that means "nothing given".
constexpr char kNothing[] = "_";

// The description's format; the setup reads version 220 and warns about any other.
constexpr IntKey kFormatVersion{"corvid", "version", 1};
constexpr int32_t kSupportedFormat = 220;

// 1: the distribution's files are compressed archives; their extra space on the disk.
constexpr IntKey kCompressionMode{"compression", "mode", 0};
constexpr IntKey kCompressionSize{"compression", "size", 0};

// Any value but -1 switches the file phase on.
constexpr IntKey kMedium{"software", "medium", -1};
bool FilePhaseOn(const SetupDescription& d);

// The uninstall log is written and the uninstaller installed.
constexpr FlagKey kUninstaller{"software", "uniyes", true};
// 0 no restart, 1 offer one, 2 offer to log off.
constexpr IntKey kReboot{"software", "reboot", 0};
// The read-me file's name at the destination (and, beside setup.inf, the file copied there).
constexpr TextKey kReadme{"software", "readme", ""};

// The pictures, files beside setup.inf.
constexpr TextKey kBackPicture{"main", "back", kNothing};
constexpr TextKey kLogoPicture{"main", "logo", kNothing};
constexpr TextKey kInfoPicture{"main", "info", kNothing};
constexpr TextKey kWizardPicture{"leader", "image", kNothing};
constexpr TextKey kPictures[] = {kBackPicture, kLogoPicture, kInfoPicture, kWizardPicture};
// The member a compressed picture holds: its file name with the last character "p" (the
// archive back.bm_ holds back.bmp).
std::string PictureMemberName(const std::string& picturePath);

// Component n's keys in [software]: "Opt" + n + "_" + what, for what = name, space (bytes on the
// destination drive), cs (its part of the progress total in mode 1), prgitem, standard, min,
// custom, locked.
constexpr char kComponentSection[] = "software";
std::string ComponentKey(int n, const char* what);
std::string ReadComponentName(const SetupDescription& d, int n);
int32_t ReadComponentSpace(const SetupDescription& d, int n);
int32_t ReadComponentProgress(const SetupDescription& d, int n);
bool ReadComponentHasItems(const SetupDescription& d, int n);

// The setup types the description offers.
struct TypeOffers {
    bool standard = false, minimal = false, cd = false, custom = false;
};
TypeOffers ReadTypeOffers(const SetupDescription& d);
// The wizard shows its setup-type page when the minimal, cd or custom type is offered, but not
// when the cd type comes without the standard or the custom one.
bool SetupTypePageShown(const TypeOffers& offers);

// --- [directories]: row i of component k is d<k>_<i>, "\" + names + "\" below the destination
constexpr IntKey kDirectoryRows{"directories", "total", 2};
// The component is text where an association names it as written.
std::string DirectoryKey(const std::string& component, int32_t row);
std::string DirectoryKey(int component, int32_t row);
// The row as the directory phase reads it: a missing row reads as "%", and a value holding "%"
// is not made there (a directory below the Windows directory is made with its files).
std::string ReadPhaseDirectory(const SetupDescription& d, int component, int32_t row);
bool MadeByDirectoryPhase(const std::string& value);
// The row as a file's directory: "\", the destination itself, when missing.
std::string ReadFileDirectory(const SetupDescription& d, const std::string& component, int32_t row);

// "%SystemRoot%" anywhere in a directory value or an INI file's name (letter case ignored) puts
// it below the Windows directory, followed by everything after the value's first 12 characters:
// the setup drops as many characters as "%SystemRoot%" has, wherever that stands.
constexpr char kSystemRoot[] = "%SystemRoot%";
bool HasSystemRoot(const std::string& value);
std::string SystemRootRest(const std::string& value);

// Where a file or directory lands: below the Windows directory or below the destination, with
// the text that follows that directory.
struct Place {
    bool belowWindows = false;
    std::string rest;
};
Place PlaceOfDirectory(const std::string& value);

// --- [Option_<k>]: component k's file list; file j is f<j> (its name), d<j> (its directory
// row, 0 the destination), s<j> (the volume its data begins in, as the volume's name writes the
// number), p<j> (the offset there), z<j> (the data's length) and c<j> (its checksum, see Crc32;
// older setups ignore it, and without it nothing is checked).
std::string OptionSection(const std::string& component);
std::string OptionSection(int component);
constexpr char kFileName[] = "f", kFileDirectory[] = "d", kFileVolume[] = "s", kFileOffset[] = "p",
               kFileLength[] = "z", kFileChecksum[] = "c";
// prefix + n: the key of row n of a numbered family.
std::string RowKey(const char* prefix, int32_t n);
// A missing name ends the list, and so does this one, written as it is.
constexpr char kEndOfList[] = "[leer]";
constexpr char kFirstVolume[] = "01";

struct FileRow {
    std::string name;
    int32_t directory = 0;
    std::string volume = kFirstVolume;
    int32_t offset = 0;
    int32_t length = 1;
    bool hasChecksum = false; // c<j> holds eight hexadecimal digits
    uint32_t checksum = 0;
};
// File j of component k as the file transfer reads it; false at the end of the list.
bool ReadFileRow(const SetupDescription& d, int component, int32_t j, FileRow& row);
// Where the file transfer puts a file of that name and directory row: directory 0 is the
// destination itself. Associations find their program by the same rule.
Place PlaceOfFile(const SetupDescription& d, const std::string& component, int32_t directory,
                  const std::string& name);

// --- [prggrp]: program item n starts file f<n> of component o<n> (both numbers)
constexpr IntKey kProgramItemRows{"prggrp", "total", 1};
struct ProgramItem {
    int32_t component = 1, file = 1;
};
ProgramItem ReadProgramItem(const SetupDescription& d, int32_t n);
// [prggrp_run]: the cd setup type's items, which run from the medium.
constexpr IntKey kMediumItemRows{"prggrp_run", "total", 2};

// --- [extensions]: association n
constexpr IntKey kAssociationRows{"extensions", "total", 150};
struct Association {
    std::string extension;   // e<n> without its dot; "_" for no association in this row
    std::string description; // n<n>
    // o<n> and f<n> as written: the program is file f of [Option_<o>], both taken as text, so
    // that "01" names another section and key than "1".
    std::string component, file;
};
Association ReadAssociation(const SetupDescription& d, int32_t n);
// Where the association's program was put, by the file transfer's rule.
Place PlaceOfProgram(const SetupDescription& d, const Association& a);

} // namespace corvid::schema
