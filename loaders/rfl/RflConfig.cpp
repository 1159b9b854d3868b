#include "RflConfig.h"

#include "BoundedFile.h"

#include <cstring>
#include <sstream>

namespace tbload {

namespace {
std::string Trim(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

bool ToNumber(const std::string& text, uint64_t max, uint64_t* value)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = std::stoull(text);
    return *value <= max;
}
} // namespace

bool ReadRflConfig(const std::string& path, RflConfig* config, std::string* error)
{
    TBoundedFile file(QFile::decodeName(QByteArray::fromStdString(path)), TFileKind::FlashConfig);
    QByteArray bytes;
    if (!file.ReadAll(bytes)) {
        *error = path + ": " + file.Reason().toStdString();
        return false;
    }
    std::istringstream in(bytes.toStdString());
    RflConfig c;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (const size_t hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        line = Trim(line);
        if (line.empty())
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            *error = path + ": line " + std::to_string(number) + " is not key = value";
            return false;
        }
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        uint64_t n = 0;
        if (key == "name")
            c.name = value;
        else if (key == "baud" && ToNumber(value, 4000000, &n) && n >= 1200)
            c.baud = int(n);
        else if (key == "block" && ToNumber(value, 4096, &n) && n >= 64)
            c.block = uint32_t(n);
        else if (key == "flash" && ToNumber(value, 16u << 20, &n) && n > 0)
            c.flashSize = uint32_t(n);
        else if (key == "erase" && ToNumber(value, 600000, &n) && n > 0)
            c.eraseMs = int(n);
        else {
            *error = path + ": line " + std::to_string(number) + ": bad " + key;
            return false;
        }
    }
    for (const char* key : {"name", "baud", "block", "flash"}) {
        const bool missing = (!std::strcmp(key, "name") && c.name.empty()) || (!std::strcmp(key, "baud") && !c.baud) ||
                             (!std::strcmp(key, "block") && !c.block) || (!std::strcmp(key, "flash") && !c.flashSize);
        if (missing) {
            *error = path + ": no " + key;
            return false;
        }
    }
    *config = c;
    return true;
}

} // namespace tbload
