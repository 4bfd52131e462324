#pragma once
// A fresh folder that is the working directory for the life of the object.

#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

namespace spinchart::sessiontest {

class WorkingFolder {
public:
    explicit WorkingFolder(std::string_view name) {
        path_ = std::filesystem::temp_directory_path() /
                (std::string(name) + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~WorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

}  // namespace spinchart::sessiontest
