#pragma once
// A hidden window with a current OpenGL context for the tests that make
// textures and buffers, plus a scratch content folder to load from. It opens
// on the shared test display, so an area that includes this runs its tests
// one at a time (tests/CMakeLists.txt). A test with an engine of its own
// calls EnsureGLContext before starting systems that make GL objects.
#include <gtest/gtest.h>

#include <string>

#include "support/ProgramRun.h"

namespace OrvTest {

// Opens the window and context once per test program; false when no display
// is reachable (the runner sets DISPLAY to its X server).
bool EnsureGLContext();

// Runs each test with a current context and no GL error pending, and the
// working folder moved to an empty temporary one (the loaders read res/
// relative to it); the folder is removed afterwards.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a file below the scratch folder, creating its folders.
  void WriteFile(const std::string& relativePath, const std::string& text) const;
  // Copies a file of tests/resources/data/ below the scratch folder.
  void CopyData(const std::string& dataName, const std::string& relativePath) const;
  void RemoveFile(const std::string& relativePath) const;

  std::string folder_;
  std::string previousFolder_;
};

// The same with the image and font libraries started.
class GLResourceTest : public GLTest {
 protected:
  void SetUp() override;
};

}  // namespace OrvTest
