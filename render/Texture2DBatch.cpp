#include "render/Texture2DBatch.h"

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "core/Report.h"
#include "core/ReportOnce.h"
#include "render/RenderState.h"
#include "render/ShaderProgram.h"

namespace Orv {

namespace {

constexpr float kBatchDegreesToRadians = 0.017453294f;

struct Vertex {
  float position[4];
  float colour[4];
  float uv[2];
};
static_assert(sizeof(Vertex) == Texture2DBatch::kVertexBytes);

std::array<float, 4> Transform(const Matrix4& m, float x, float y) {
  std::array<float, 4> out{};
  for (int row = 0; row < 4; ++row) out[row] = m[0 * 4 + row] * x + m[1 * 4 + row] * y + m[3 * 4 + row];
  return out;
}

}  // namespace

Texture2DBatch::~Texture2DBatch() {
  if (lightBuffer_ != 0) glDeleteBuffers(1, &lightBuffer_);
  if (vertexBuffer_ != 0) glDeleteBuffers(1, &vertexBuffer_);
  if (vertexArray_ != 0) glDeleteVertexArrays(1, &vertexArray_);
}

void Texture2DBatch::Init(GLuint program, float width, float height) {
  program_ = program;
  projection_ = {2.0f / width, 0, 0, 0, 0, -2.0f / height, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
  glGenVertexArrays(1, &vertexArray_);
  glBindVertexArray(vertexArray_);
  glGenBuffers(1, &vertexBuffer_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(capacity_) * kQuadBytes, nullptr, GL_DYNAMIC_DRAW);
  staged_.assign(static_cast<std::size_t>(capacity_) * kQuadBytes, 0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindVertexArray(0);
  if (lightsEnabled_) {
    glGenBuffers(1, &lightBuffer_);
    glBindBuffer(GL_UNIFORM_BUFFER, lightBuffer_);
    glBufferData(GL_UNIFORM_BUFFER, kLightBufferSize, nullptr, GL_DYNAMIC_DRAW);
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
  }
  initialised_ = true;
}

void Texture2DBatch::Begin() {
  if (program_ == 0) return;
  if (!initialised_) {
    ShowMessage("ERROR! Texture2DBatch.Init() must be successfully called before Texture2DBatch.Begin()");
    return;
  }
  quadCount_ = 0;
  // Runs of a batch begun again without an End would count vertices that are
  // about to be overwritten.
  runs_.clear();
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  InitLightBlock();
  begun_ = true;
}

void Texture2DBatch::InitLightBlock() {
  BindShaderAttributes(program_, projection_);
  if (!lightsEnabled_) return;
  blockReady_ = false;
  // Runs every frame for the lit scene: the words are made only on a fault.
  const auto program = [this] { return " (program " + std::to_string(program_) + ")"; };
  if (lightBuffer_ == 0) {
    ShowMessageOnce("no light buffer" + program(),
                    "Error! Light Uniform Buffer not allocated!! Enable Lights using SetEnableLightUniformFills() "
                    "before calling Init()!");
    return;
  }
  const GLuint block = glGetUniformBlockIndex(program_, "LightBlocks");
  if (block == GL_INVALID_INDEX) {
    ShowMessageOnce("no LightBlocks" + program(),
                    "Error! Shader Uniform Layout: 'LightBlocks' not found!!\n Disable lights using "
                    "SetEnableLightUniformFills() if shader does not support this uniform!");
    return;
  }
  const char* names[2] = {"LightBlocks.light", "LightBlocks.count"};
  GLuint indices[2] = {GL_INVALID_INDEX, GL_INVALID_INDEX};
  glGetUniformIndices(program_, 2, names, indices);
  for (int i = 0; i < 2; ++i) {
    if (indices[i] != GL_INVALID_INDEX) continue;
    ShowMessageOnce(std::string("no ") + names[i] + program(),
                    std::string("Error! Shader Uniform attribute for '") + names[i] +
                        "' not found!, please set the correct attribute in the shader!");
    return;
  }
  GLint dataSize = 0;
  glGetActiveUniformBlockiv(program_, block, GL_UNIFORM_BLOCK_DATA_SIZE, &dataSize);
  if (dataSize > kLightBufferSize) {
    ShowMessageOnce("block too large" + program(), "Error! Not enough memory for uniform LightBlocks!");
    return;
  }
  GLint offsets[2] = {-1, -1};
  GLint strides[2] = {-1, -1};
  GLint sizes[2] = {0, 0};
  glGetActiveUniformsiv(program_, 2, indices, GL_UNIFORM_OFFSET, offsets);
  glGetActiveUniformsiv(program_, 2, indices, GL_UNIFORM_ARRAY_STRIDE, strides);
  glGetActiveUniformsiv(program_, 2, indices, GL_UNIFORM_SIZE, sizes);
  lightArrayOffset_ = offsets[0];
  countOffset_ = offsets[1];
  lightArrayStride_ = strides[0];
  // As many lights as the array holds and the block's bytes cover.
  lightCapacity_ = 0;
  if (lightArrayOffset_ >= 0 && lightArrayStride_ > 0 && countOffset_ >= 0 && countOffset_ + 4 <= dataSize) {
    lightCapacity_ = sizes[0];
    while (lightCapacity_ > 0 && lightArrayOffset_ + lightArrayStride_ * (lightCapacity_ - 1) + 16 > dataSize) {
      --lightCapacity_;
    }
  }
  if (lightCount_ > lightCapacity_) lightCount_ = lightCapacity_;
  blockReady_ = countOffset_ >= 0;
  glBindBuffer(GL_UNIFORM_BUFFER, lightBuffer_);
  WriteLightCount();
  // The block reads from the binding point its own index names.
  glUniformBlockBinding(program_, block, block);
  glBindBufferBase(GL_UNIFORM_BUFFER, block, lightBuffer_);
  glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

void Texture2DBatch::WriteLightCount() {
  if (!blockReady_) return;
  glBufferSubData(GL_UNIFORM_BUFFER, countOffset_, sizeof(lightCount_), &lightCount_);
}

void Texture2DBatch::Render(ObjectLockPtr<SpriteFrame> frame, float x, float y, float scaleX, float scaleY, float angle,
                            float r, float g, float b, float alpha) {
  if (!begun_) {
    ShowMessageOnce("Render before Begin",
                    "ERROR! Texture2DBatch.Begin() must be called before Texture2DBatch.Render()");
    return;
  }
  if (quadCount_ >= capacity_) {
    End();
    Begin();
  }
  auto lockedFrame = frame.Lock();
  if (!lockedFrame) return;
  auto sheet = lockedFrame->sheet.Lock();
  if (!sheet || sheet->GetTextureWidth() == 0 || sheet->GetTextureHeight() == 0) return;

  const float w = static_cast<float>(sheet->GetTextureWidth());
  const float h = static_cast<float>(sheet->GetTextureHeight());
  const SpriteQuad& q = lockedFrame->quad;
  const float uLeft = static_cast<float>(q.x) / w;
  const float vTop = static_cast<float>(q.y) / h;
  const float uRight = static_cast<float>(q.x + q.sizeX) / w;
  const float vBottom = static_cast<float>(q.y + q.sizeY) / h;

  scaleMatrix_[0] = scaleX;
  scaleMatrix_[5] = scaleY;
  scaleMatrix_[10] = 1.0f;
  translationMatrix_[12] = x;
  translationMatrix_[13] = y;
  translationMatrix_[14] = 0.0f;
  const float radians = angle * kBatchDegreesToRadians;
  const float c = std::cos(radians);
  const float s = std::sin(radians);
  const Matrix4 rotation = {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const Matrix4 model = MultiplyMatrices(translationMatrix_, MultiplyMatrices(rotation, scaleMatrix_));

  struct Corner {
    float x, y, u, v;
  };
  const Corner corners[6] = {{-0.5f, 0.5f, uLeft, vBottom}, {0.5f, 0.5f, uRight, vBottom}, {0.5f, -0.5f, uRight, vTop},
                             {-0.5f, 0.5f, uLeft, vBottom}, {0.5f, -0.5f, uRight, vTop},   {-0.5f, -0.5f, uLeft, vTop}};
  Vertex vertices[6];
  for (int i = 0; i < 6; ++i) {
    const std::array<float, 4> p = Transform(model, corners[i].x, corners[i].y);
    vertices[i] = {{p[0], p[1], p[2], p[3]}, {r, g, b, alpha}, {corners[i].u, corners[i].v}};
  }
  std::memcpy(staged_.data() + static_cast<std::size_t>(quadCount_) * kQuadBytes, vertices, sizeof(vertices));
  ++quadCount_;

  if (runs_.empty()) {
    runs_.push_back({sheet, 1});
    return;
  }
  Run& last = runs_.back();
  auto lastSheet = last.sheet.Lock();
  if (!lastSheet) {
    // The earlier run's quads are left undrawn; this quad starts a run of its
    // own so that no run reads another's vertices.
    PrintLineOnce("texture not found", "texture not found!");
    runs_.push_back({sheet, 1});
  } else if (lastSheet->GetTexture() == sheet->GetTexture()) {
    ++last.quads;
  } else {
    runs_.push_back({sheet, 1});
  }
}

void Texture2DBatch::End() {
  if (!begun_) {
    ShowMessageOnce("End before Begin", "ERROR! Texture2DBatch.Begin() must be called before Texture2DBatch.End()");
    return;
  }
  // The quads go to the GPU in one update, then one draw per run.
  if (quadCount_ > 0) {
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(quadCount_) * kQuadBytes, staged_.data());
  }
  GLint first = 0;
  for (const Run& run : runs_) {
    const GLsizei count = static_cast<GLsizei>(run.quads * 6);
    // Quads whose sheet went away since they were added are not drawn; the
    // runs after them still start at their own vertices.
    if (auto sheet = run.sheet.Lock()) {
      BindTexture2D(sheet->GetTexture());
      glDrawArrays(GL_TRIANGLES, first, count);
    } else {
      PrintLineOnce("texture not found", "texture not found!");
    }
    first += count;
  }
  runs_.clear();
  BindTexture2D(0);
  begun_ = false;
  quadCount_ = 0;
}

void Texture2DBatch::BeginLightBuffer() {
  if (!begun_) {
    ShowMessageOnce("BeginLightBuffer before Begin",
                    "Error! Begin() is not called before BeginLightBuffer(), enable shader first by calling begin()");
    return;
  }
  if (!lightsEnabled_) {
    ShowMessageOnce("lights not enabled",
                    "Error! Lights not enabled!\n Call SetEnableLightUniformFills() to enable lights before "
                    "BeginLightBuffer()");
    return;
  }
  if (lightBuffer_ == 0) {
    ShowMessageOnce("no light buffer for BeginLightBuffer",
                    "Error! Light Uniform buffer has not been allocated before calling BeginLightBuffer()");
    return;
  }
  glBindVertexArray(vertexArray_);
  glBindBuffer(GL_UNIFORM_BUFFER, lightBuffer_);
  lightBufferOpen_ = true;
}

void Texture2DBatch::RemoveAllLightUniforms() {
  if (!lightBufferOpen_) {
    ShowMessageOnce("RemoveAllLightUniforms unopened",
                    "Error! BeginLightBuffer has not been successfully called before RemoveAllLightUniforms()");
    return;
  }
  glBindVertexArray(vertexArray_);
  lightCount_ = 0;
  WriteLightCount();
}

void Texture2DBatch::AddLightUniform(float x, float y, float radius) {
  if (!lightBufferOpen_) {
    ShowMessageOnce("AddLightUniform unopened",
                    "Error! BeginLightBuffer has not been successfully called before AddLightUniform()");
    return;
  }
  glBindVertexArray(vertexArray_);
  if (!blockReady_ || lightCount_ >= lightCapacity_) return;
  const float record[4] = {x, y, 1.0f, radius};
  glBufferSubData(GL_UNIFORM_BUFFER, lightArrayOffset_ + lightArrayStride_ * lightCount_, sizeof(record), record);
  ++lightCount_;
  WriteLightCount();
}

void Texture2DBatch::EndLightBuffer() {
  if (!lightBufferOpen_) {
    ShowMessageOnce("EndLightBuffer unopened",
                    "Error! BeginLightBuffer has not been successfully called before EndLightBuffer()");
    return;
  }
  glBindVertexArray(vertexArray_);
  lightBufferOpen_ = false;
  glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

}  // namespace Orv
