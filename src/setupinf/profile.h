// Our own reader and editor of INI ("profile") files. Reading gives the same answers as the
// system's GetPrivateProfileStringA with a 1024-byte buffer; editing in memory and writing the
// text out gives the bytes WritePrivateProfileStringA leaves after the same writes. Parsed host
// files are cached and re-read only when the file on disk changed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvid {

// The size of the buffer the program reads values into; a value keeps at most size - 1 chars.
constexpr int kProfileBufferSize = 1024;

class ProfileData {
public:
    // Parses the bytes of a profile file.
    explicit ProfileData(const std::string& bytes);

    // The raw value (quotes not removed), or nothing when the key is missing or has no "=".
    // quotable (when given) tells whether the quote rule may apply: not when the value begins or
    // ends with a stand-in for a character the code page lacks, such as a full-width quote.
    const std::string* Find(const std::string& section, const std::string& key,
                            bool* quotable = nullptr) const;

    // All section names and, for a section, all key names, in file order (duplicates kept).
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(size_t sectionIndex) const;
    // The index of the first section of that name, for KeyNames.
    bool FindSection(const std::string& section, size_t& index) const;

    // One write as the system's profile call makes it: the first key of that name in the first
    // section of that name gets the value (names compared without the blanks around them), a
    // missing key goes to the end of that section, a missing section to the end of the file,
    // and the file then reads as the system reads back what it wrote. False when the key
    // already had that value (blanks before it dropped), and nothing changed.
    bool Set(const std::string& section, const std::string& key, const std::string& value);

    // The whole file as the system writes it back: every section and key in order, blank lines
    // gone, "name=value" (or the bare name of a line without "=") ended by CR LF. Files in the
    // code page only: a Unicode file comes back in the code page.
    std::string Text() const;

private:
    struct Key {
        std::string name;
        bool reachable = true; // false when the name holds a character the code page lacks
        bool quotable = true;
        std::optional<std::string> value;
    };
    struct Section {
        std::string name;
        bool reachable = true;
        std::vector<Key> keys;
        std::unordered_map<std::string, size_t> index; // folded key name -> first key
    };
    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> index_; // folded section name -> first section
    bool normalized_ = false; // the text as the system reads back what it wrote
    // How the last write is spelled in the file until the next write reads it back trimmed, or
    // the whole text when that write read back as something else.
    struct LastWrite {
        bool active = false;
        size_t section = 0, key = 0;
        bool newSection = false;
        std::string sectionName, keyName, value;
    };
    LastWrite lastWrite_;
    std::optional<std::string> lastText_;
};

// The text of a profile file as the system reads it, in the ANSI code page (Windows-1252): a
// file that starts with a byte-order mark is Unicode (UTF-8 or UTF-16 of either byte order), and
// its characters outside the code page become the system's nearest substitutes ("A" for an A
// with macron) or "?". Other files are taken as they are.
std::string ProfileText(const std::string& bytes);

// Text in the code page as UTF-8, and back; the way back is false when the text is not UTF-8 or
// holds a character the code page lacks.
std::string AnsiToUtf8(const std::string& ansi);
bool Utf8ToAnsi(const std::string& utf8, std::string& ansi);

// Case folding as Windows compares file and registry names (ASCII and Windows-1252 letters).
// Profile section and key names fold ASCII letters only.
std::string FoldCase(const std::string& s);
bool ProfileSpace(unsigned char c);
// The text without the blanks the profile reader drops around names and values.
std::string TrimProfileSpace(const std::string& s);

// Applies the buffer and quote rules to a found value or to the caller's default.
std::string ProfileResult(const std::string* value, const std::string& deflt, bool fileOpened,
                          bool quotable = true);

// Reads one value from a host file the way GetPrivateProfileStringA does.
std::string ReadProfileString(const std::string& hostPath, const std::string& section,
                              const std::string& key, const std::string& deflt);

// Writes one value into a host file the way WritePrivateProfileStringA does: the first matching
// key is replaced, a missing key is added at the end of its section, a missing section at the
// end of the file. Returns false when the file cannot be written.
bool WriteProfileStringFile(const std::string& hostPath, const std::string& section,
                            const std::string& key, const std::string& value);

// Removes one key of a section, or a whole section (the first of that name), the way
// WritePrivateProfileStringA does when given no value or no key. Removing what is not there
// succeeds and leaves the file as it is.
bool DeleteProfileKeyFile(const std::string& hostPath, const std::string& section,
                          const std::string& key);
bool DeleteProfileSectionFile(const std::string& hostPath, const std::string& section);

// The section names of a host file, or the key names of its first section of that name, in file
// order; false when the file cannot be read.
bool ProfileSectionNamesFile(const std::string& hostPath, std::vector<std::string>& names);
bool ProfileKeyNamesFile(const std::string& hostPath, const std::string& section,
                         std::vector<std::string>& names);

// The parsed contents of a host file, cached; nullptr when the file cannot be read.
std::shared_ptr<const ProfileData> LoadProfile(const std::string& hostPath);

} // namespace corvid
