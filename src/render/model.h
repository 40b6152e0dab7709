#pragma once

#include "render/gl.h"

#include <glm/glm.hpp>

#include <vector>

// One mesh with its texture, GPU buffers and the uniform locations of the program it is drawn with.
// Built once at start-up and never destroyed.
class Model
{
  public:
    Model(const char* modelPath, glm::mat4 modelMatrix, const char* texturePath, GLuint programID);

    // Draws with whatever program is current: m is the object's world transform, projection and view
    // the camera's.
    void draw(glm::mat4 m, const glm::mat4& projection, const glm::mat4& view);

    glm::mat4 getModelMatrix() const { return modelMatrix; }
    // The camera (projection x view) the last draw used.
    glm::mat4 getViewProjection() const { return viewProjection; }
    // The next draw uses matrix instead of its own model matrix for "MVP", once.
    void setOverride(const glm::mat4& matrix);
    // Forgets the matrices of the last draw and any override, as a model just loaded has none (a new
    // game).
    void resetMatrices();

    bool loaded = false;
    float boundingRadius = 0.0f; // the farthest vertex from the model's origin, in model units
    std::vector<unsigned int> indices;
    std::vector<glm::vec3> vertices;
    std::vector<glm::vec2> uvs;
    std::vector<glm::vec3> normals;
    GLuint texture = 0;
    GLuint programID = 0;
    GLint textureSamplerLocation = -1;
    GLint mvpLocation = -1;
    GLint modelMatrixLocation = -1;
    GLint viewMatrixLocation = -1;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint uvBuffer = 0;
    GLuint normalBuffer = 0;
    GLuint elementBuffer = 0;
    glm::mat4 modelMatrix;
    glm::mat4 overrideMatrix = glm::mat4(1.0f);
    bool hasOverride = false;
    glm::mat4 viewProjection = glm::mat4(1.0f);

};
