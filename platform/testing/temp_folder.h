// A new empty folder under the system's temporary folder, removed with its
// contents when the object goes; and files written into it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tilebridge-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("can't create a temporary folder");
        // Canonical, so that paths built from it compare equal to resolved ones.
        path_ = std::filesystem::canonical(pattern);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes bytes to the named file in the folder and returns its path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::filesystem::path file = path_ / name;
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

private:
    std::filesystem::path path_;
};
