// A path walked from / one component at a time, the way the kernel would, but with each folder
// held by a descriptor and every link read and followed by hand: so that every folder passed
// through (the folder holding each link among them) can be judged, and what the walk reached is
// held, never looked up again by its name.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

class PathWalk {
  public:
    struct Folder {
        int fd = -1;  // O_PATH
        std::string path;
        struct stat st {};
    };
    // One look-up: the entry `name` of the folder `folder` (an index into Folders()).
    struct Step {
        std::size_t folder = 0;
        std::string name;
        struct stat entry {};
        bool link = false;       // a link, followed
        bool final = false;      // where the walk ended
        bool givenLast = false;  // the last component of the path as given
    };

    PathWalk() = default;
    ~PathWalk();
    PathWalk(const PathWalk&) = delete;
    PathWalk& operator=(const PathWalk&) = delete;

    // Walks `path` (a relative one from the working folder), following every link, also at its
    // end. 0, or the error number of the look-up that failed (ErrorPath() names it); ENOENT for a
    // missing last entry leaves its folder known (Holder()).
    int Walk(const std::string& path);

    const std::vector<Folder>& Folders() const { return folders_; }
    const std::vector<Step>& Steps() const { return steps_; }
    const std::string& ErrorPath() const { return errorPath_; }

    // Where the walk ended: the folder holding the final entry, its name and what it is. A final
    // folder is held too (FinalFolder(), else -1).
    std::size_t Holder() const { return holder_; }
    const std::string& FinalName() const { return finalName_; }
    const struct stat& Final() const { return final_; }
    long FinalFolder() const { return finalFolder_; }
    // The folder in which the last component of the path as given was looked up: the folder of a
    // link's name.
    std::size_t NamedFolder() const { return named_; }
    // The path as walked (a relative one after the working folder), and the folder in which its
    // component `index` (from 0) was looked up: the folder its first `index` components lead to.
    // -1 where the walk stopped before.
    const std::string& Walked() const { return walked_; }
    long FolderBefore(std::size_t index) const {
        return index < before_.size() ? long(before_[index]) : -1;
    }
    // The path of the entry `name` in the folder `folder`.
    std::string PathIn(std::size_t folder, const std::string& name) const;

  private:
    int fail(int error, const std::string& path);
    std::size_t hold(int fd, const std::string& path, const struct stat& st);

    std::vector<Folder> folders_;
    std::vector<Step> steps_;
    std::string errorPath_, walked_;
    std::vector<std::size_t> before_;
    std::size_t holder_ = 0, named_ = 0;
    long finalFolder_ = -1;
    std::string finalName_;
    struct stat final_ {};
};

}  // namespace platform
