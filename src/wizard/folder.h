// The folder dialog: a directory list and a drive list from which the user picks the
// destination; OK puts the list's directory into the wizard's destination field.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "forms/form.h"
#include "state/context.h"

namespace corvid {

class Tdlg_folder : public Form {
public:
    explicit Tdlg_folder(Context& ctx);

    void FormCreate();
    void Btn_okClick();
    void Btn_abbrClick();
    // Opens the selected entry of the directory list: moves the list into it.
    void DirectoryListBox1DblClick();
    void DirectoryListBox1KeyDown(int& key);
    void DriveComboBox1Change();

    // Moves the list to a directory ("C:\" or "C:\Tools\Sub"); false, and nothing changes, when
    // it cannot be read.
    bool SetDirectory(const std::string& dir);

    // The directory the list shows.
    std::string directory;

private:
    Context& ctx_;
    std::string drives_;               // the drive letters, in the order of the drive list
    std::vector<std::string> entries_; // the full directory of each list entry
    std::map<char, std::string> lastDirectory_;

    int DriveIndex(char letter) const; // in the drive list, -1 when not there
};

// A directory without a trailing backslash, except a drive's root ("C:\").
std::string NormalDirectory(const std::string& dir);

} // namespace corvid
