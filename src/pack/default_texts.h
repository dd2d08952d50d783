// English texts for the [language] keys a project leaves out; "%s" stands for the product name.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace corvid::pack {

const std::vector<std::pair<std::string, std::string>>& DefaultLanguageTexts();

} // namespace corvid::pack
