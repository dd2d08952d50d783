// Reads a distribution as the setup will and reports what would go wrong, each finding at the
// section and key of setup.inf it comes from.
#pragma once

#include <string>
#include <vector>

namespace corvid::pack {

struct Finding {
    bool error = true; // else a warning
    std::string section, key;
    std::string message; // setup text (the code page)
    // "[section] key: " or "" for the distribution as a whole.
    std::string Where() const;
};

struct CheckReport {
    std::string infPath; // empty when no setup.inf was found
    std::vector<Finding> findings;
    int errors = 0, warnings = 0;
    int files = 0;
};

// dir: the distribution folder holding setup.inf, or a folder of disk folders disk1/, disk2/,
// ... (also given as the first disk's folder). With extractTo, each file is also written there
// as the setup would install it: below the destination, and %SystemRoot% files in SystemRoot/.
CheckReport CheckDistribution(const std::string& dir, const std::string& extractTo = "");

// The report as JSON (UTF-8).
std::string ReportJson(const CheckReport& report);

} // namespace corvid::pack
