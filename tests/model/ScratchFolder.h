#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace orvane::test {

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes away.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvane-model-XXXXXX").native();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        root_ = pattern;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    const std::filesystem::path& root() const { return root_; }
    std::string path(std::string_view relative) const { return (root_ / relative).native(); }

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
    std::filesystem::path root_;
};

} // namespace orvane::test
