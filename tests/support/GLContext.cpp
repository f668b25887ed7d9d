#include "support/GLContext.h"

#include <GL/glew.h>
#include <IL/il.h>
#include <SDL.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/Window.h"
#include "resources/ResourceManager.h"

namespace OrvTest {

namespace fs = std::filesystem;

namespace {
std::string failure;
}

bool EnsureGLContext() {
  static bool ready = [] {
    // The program's own way onto the display: the tests that share it start
    // one after another, and each arrives as the one before leaves.
    if (!Orv::Platform::RegisterWindowClass(&failure)) return false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    // The program's window: the render passes draw into it as into a frame buffer.
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Window* window = SDL_CreateWindow("resources test", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr) return false;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr || SDL_GL_MakeCurrent(window, context) != 0) return false;
    glewExperimental = GL_TRUE;
    return glewInit() == GLEW_OK;
  }();
  return ready;
}

void GLTest::SetUp() {
  ASSERT_TRUE(EnsureGLContext()) << "no OpenGL context: " << (failure.empty() ? SDL_GetError() : failure);
  while (glGetError() != GL_NO_ERROR) {
  }
  char pattern[] = "/tmp/orv-resources-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  folder_ = pattern;
  previousFolder_ = fs::current_path().string();
  fs::current_path(folder_);
}

void GLResourceTest::SetUp() {
  GLTest::SetUp();
  if (HasFatalFailure()) return;
  // A failed load of an earlier test leaves the image library's error set.
  while (ilGetError() != IL_NO_ERROR) {
  }
  Orv::ResourceManager::GetInstance().Init();
}

void GLTest::TearDown() {
  if (folder_.empty()) return;
  fs::current_path(previousFolder_);
  std::error_code error;
  fs::remove_all(folder_, error);
}

void GLTest::WriteFile(const std::string& relativePath, const std::string& text) const {
  const fs::path target = fs::path(folder_) / relativePath;
  fs::create_directories(target.parent_path());
  std::ofstream(target, std::ios::binary) << text;
}

void GLTest::CopyData(const std::string& dataName, const std::string& relativePath) const {
  const fs::path target = fs::path(folder_) / relativePath;
  fs::create_directories(target.parent_path());
  fs::copy_file(DataPath(dataName), target, fs::copy_options::overwrite_existing);
}

void GLTest::RemoveFile(const std::string& relativePath) const {
  std::error_code error;
  fs::remove(fs::path(folder_) / relativePath, error);
}

}  // namespace OrvTest
