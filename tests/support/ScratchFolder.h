#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orvane::test {

// The whole contents of a file.
inline std::string readBytes(const std::filesystem::path& file) {
    std::string bytes(std::filesystem::file_size(file), '\0');
    std::ifstream(file, std::ios::binary)
        .read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// The names in a folder itself, sorted.
inline std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        out.push_back(entry.path().filename().native());
    std::sort(out.begin(), out.end());
    return out;
}

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes away. In memory (/dev/shm) when asked and the system has it:
// writes there cost no disk flush, for tests that save hundreds of times.
class ScratchFolder {
public:
    enum class Where { temp, memory };
    explicit ScratchFolder(Where where = Where::temp) : root_(create(where)) {}
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::string path(std::string_view relative) const { return (root_ / relative).native(); }
    std::filesystem::path operator/(std::string_view relative) const { return root_ / relative; }

    // The names in the folder (or in one inside it), sorted.
    std::vector<std::string> names(std::string_view relative = "") const {
        return namesIn(root_ / relative);
    }

    // Creates the file (and its folders) with `contents`; returns its absolute path.
    std::string write(std::string_view relative, std::string_view contents = "x") const {
        const std::filesystem::path file = root_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        return file.native();
    }

    std::string makeFolder(std::string_view relative) const {
        const std::filesystem::path folder = root_ / relative;
        std::filesystem::create_directories(folder);
        return folder.native();
    }

private:
    static std::filesystem::path create(Where where) {
        if (where == Where::memory) {
            std::string pattern = "/dev/shm/orvane-test-XXXXXX";
            if (mkdtemp(pattern.data()) != nullptr)
                return pattern;
        }
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvane-test-XXXXXX").native();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        return pattern;
    }

    std::filesystem::path root_;
};

} // namespace orvane::test
