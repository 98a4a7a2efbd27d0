#pragma once

#include <string>
#include <vector>

#include "platform/SimHost.h"

namespace quorvane::test {

using Lines = std::vector<std::string>;

// The message boxes shown since the last call, each as "caption: text".
inline Lines said(SimHost& host) {
  Lines out;
  for (const SimHost::Message& m : host.messages()) out.push_back(m.caption + ": " + m.text);
  host.clearMessages();
  return out;
}

}  // namespace quorvane::test
