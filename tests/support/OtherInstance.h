#pragma once

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "files/FileStream.h"

namespace quorvane::test {

// A second instance of the program, as a real process (file locks belong to processes, not threads): it creates
// `path` as the program creates its files, writes `content` and holds the file open until this object is gone.
class OtherInstance {
 public:
  OtherInstance(const std::string& path, const std::string& content) {
    int ends[2];  // one connection: the child says it holds the file, then waits until the test closes its end
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ends[0]);
      auto f = openStdioFile(path, FileMode::CreateBinary);
      char ok = f && f->write(content.data(), content.size()) == content.size() && f->flush();
      if (write(ends[1], &ok, 1) == 1)
        while (read(ends[1], &ok, 1) > 0) {
        }
      _exit(0);
    }
    close(ends[1]);
    end_ = ends[0];
    char ok = 0;
    holding_ = pid_ > 0 && read(end_, &ok, 1) == 1 && ok;
  }
  ~OtherInstance() {
    close(end_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  OtherInstance(const OtherInstance&) = delete;
  OtherInstance& operator=(const OtherInstance&) = delete;
  bool holding() const { return holding_; }

 private:
  pid_t pid_ = -1;
  int end_ = -1;
  bool holding_ = false;
};

}  // namespace quorvane::test
