#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "files/FileStream.h"

namespace quorvane::test {

// A second instance of the program, as a real process (file locks belong to
// processes, not threads): it creates `path` as the program creates its
// files, writes `content` and holds the file open until this object is gone.
class OtherInstance {
 public:
  OtherInstance(const std::string& path, const std::string& content) {
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      auto f = openStdioFile(path, FileMode::CreateBinary);
      const char ok = f && f->write(content.data(), content.size()) == content.size() && f->flush();
      char c;
      if (write(ready[1], &ok, 1) == 1) close(ready[1]);
      close(release[1]);
      while (read(release[0], &c, 1) > 0) {
      }  // until the test lets go
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    release_ = release[1];
    char ok = 0;
    holding_ = pid_ > 0 && read(ready[0], &ok, 1) == 1 && ok;
    close(ready[0]);
  }
  ~OtherInstance() {
    close(release_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  OtherInstance(const OtherInstance&) = delete;
  OtherInstance& operator=(const OtherInstance&) = delete;
  bool holding() const { return holding_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool holding_ = false;
};

}  // namespace quorvane::test
