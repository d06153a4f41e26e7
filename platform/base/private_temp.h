#pragma once
// Temporary files that hold the practice's data (the activity log, a picture
// of the screen, copies made for a backup) never lie in the shared temp
// folder, where another account could read them or plant a file or a link
// for the program to write through. They go into a folder of the account's
// own, readable by nobody else, and are created readable by the account only.
#include <filesystem>
#include <string_view>

namespace rt {

// The account's own temp folder: "varneta-<user id>" in the temp folder,
// created with mode 0700. One found there that is a link, belongs to another
// account or lets others in is never used (one of the account's own is
// tightened to 0700): the process then takes a fresh folder of its own made
// with a random name. Empty when none can be made.
std::filesystem::path privateTempFolder();

// Makes `folder` (mode 0700) when missing and answers whether it is the
// account's own and nobody else's: a real folder, not a link, owned by the
// account (one of its own left open to others is closed again).
bool ownPrivateFolder(const std::filesystem::path& folder);

// Opens `path` for appending (created when missing, mode 0600) without
// following a link; refuses a plain file that another account owns and
// closes one of the account's own to others. A file
// descriptor, or -1 with errno set.
int openPrivateFile(const std::filesystem::path& path);

// Writes `bytes` as the whole content of `path` (created mode 0600 when
// missing, emptied when it exists), under the same rules as openPrivateFile.
bool writePrivateFile(const std::filesystem::path& path, std::string_view bytes);

// A folder for one piece of work (a backup's copies), in the private temp
// folder, removed with everything in it when the object goes. While it
// lives, a lock inside marks it in use, so that a later start can tell it
// from a folder left behind by a program that crashed.
class WorkFolder {
 public:
  WorkFolder() = default;
  // `prefix` begins the folder's name ("respaldo"); empty path on failure.
  explicit WorkFolder(std::string_view prefix);
  WorkFolder(WorkFolder&& other) noexcept;
  WorkFolder& operator=(WorkFolder&& other) noexcept;
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  ~WorkFolder();

  const std::filesystem::path& path() const { return path_; }
  // Files made by this folder's user: the lock's name, never one of theirs.
  static constexpr const char* kLockName = ".en-uso";

 private:
  void release();
  std::filesystem::path path_;
  int lock_ = -1;
};

// Removes the work folders of the private temp folder that no living program
// holds (left by a crash). Returns how many were removed.
int removeStaleWorkFolders();

}  // namespace rt
