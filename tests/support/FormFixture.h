#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "TempDir.h"
#include "app/TVOXForm.h"
#include "audio/SimWaveBackend.h"
#include "files/WavHeader.h"
#include "platform/SimHost.h"

namespace quorvane::test {

// The VOX threshold (dB) and the hang time at their arrows' positions, as if clicked there.
inline void voxLevels(TVOXForm& form, int threshold, int hang) {
  form.InputThresholdUpDn.setPosition(threshold);
  form.InputThresholdUpDnClick();
  form.InputUpDnGain.setPosition(hang);
  form.InputUpDnGainClick();
}

// A main window on the simulated host with simulated sound devices, its configuration and manual in a temporary folder.
struct SimWindow {
  SimWindow() {
    host.setConfigFilePath(dir.file("quorvane.cfg"));
    host.setHelpFilePath(dir.file("quorvane.html"));
  }

  void startUp() {
    form.FormCreate();
    form.FormShow();
  }

  // An output file as "Open Output File" leaves it: created, header written, counted from 0.
  void openOutput(const std::string& path) {
    form.OutputFile = host.openFile(path, FileMode::CreateBinary);
    ASSERT_TRUE(form.OutputFile);
    const auto header = WavHeader::build(form.WaveFormat);
    ASSERT_EQ(form.OutputFile->write(header.data(), header.size()), header.size());
    form.OutputFileOpen = 1;
    form.OutputDataBytes = 0;
  }

  // What the record loop does for one buffer that passed the gate.
  void appendBuffer(std::size_t bytes, std::uint8_t fill = 0x11) {
    std::vector<std::uint8_t> data(bytes, fill);
    ASSERT_EQ(form.OutputFile->write(data.data(), data.size()), data.size());
    form.OutputDataBytes += static_cast<std::uint32_t>(bytes);
  }

  TempDir dir;
  SimHost host;
  SimWaveBackend audio{host};
  TVOXForm form{host, audio};
};

// Each test on a window of its own.
class FormFixture : public ::testing::Test, protected SimWindow {};

}  // namespace quorvane::test
