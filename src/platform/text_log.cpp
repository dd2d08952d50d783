#include "platform/text_log.h"

namespace corvid {

bool TextLog::Open(const std::string& path) {
    stream_ = platform_.OpenFile(path, OpenMode::Create);
    path_ = stream_ ? path : std::string();
    return stream_ != nullptr;
}

void TextLog::Line(const std::string& text) {
    if (!stream_) return;
    std::string line = platform_.LocalTime() + "  ";
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            line += " / ";
        } else {
            line += c;
        }
    }
    line += "\r\n";
    // A log that cannot be written any more must not stop the installation it describes.
    stream_->Write(line.data(), static_cast<int32_t>(line.size()));
    stream_->Flush();
}

} // namespace corvid
