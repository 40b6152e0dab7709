#include "render/model.h"

#include "render/bmp.h"
#include "render/mesh.h"

#include <algorithm>

Model::Model(const char* modelPath, glm::mat4 modelMatrix, const char* texturePath, GLuint programID)
    : modelMatrix(modelMatrix)
{
    texture = loadBMP(texturePath);

    textureSamplerLocation = glGetUniformLocation(programID, "textureSampler");
    this->programID = programID;
    mvpLocation = glGetUniformLocation(programID, "MVP");
    modelMatrixLocation = glGetUniformLocation(programID, "M");
    viewMatrixLocation = glGetUniformLocation(programID, "V");

    // The program stays in use and the texture stays on unit 0 after construction.
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUseProgram(programID);
    glUniform1i(textureSamplerLocation, 0);

    glGenVertexArrays(1, &vertexArray);
    loaded = loadMesh(modelPath, indices, vertices, uvs, normals);
    for (const glm::vec3& vertex : vertices)
    {
        boundingRadius = std::max(boundingRadius, glm::length(vertex));
    }
    glBindVertexArray(vertexArray);

    // One tightly packed buffer per attribute. A refused mesh leaves the arrays empty: data() may then
    // be null, which together with a size of 0 makes an empty buffer that draws nothing.
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(glm::vec3), vertices.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);

    glGenBuffers(1, &uvBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, uvBuffer);
    glBufferData(GL_ARRAY_BUFFER, uvs.size() * sizeof(glm::vec2), uvs.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(1);
    glBindBuffer(GL_ARRAY_BUFFER, uvBuffer);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 0, nullptr);

    glGenBuffers(1, &normalBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
    glBufferData(GL_ARRAY_BUFFER, normals.size() * sizeof(glm::vec3), normals.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(2);
    glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
    glVertexAttribPointer(2, 3, GL_FLOAT, GL_FALSE, 0, nullptr);

    // The element buffer binding is recorded in the vertex array.
    glGenBuffers(1, &elementBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, indices.size() * sizeof(unsigned int), indices.data(),
                 GL_STATIC_DRAW);

    // Unbind the vertex array first, so unbinding the element buffer does not take it out of the array.
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void Model::resetMatrices()
{
    modelMatrix = glm::mat4(1.0f);
    overrideMatrix = glm::mat4(1.0f);
    hasOverride = false;
    viewProjection = glm::mat4(1.0f);
}

void Model::setOverride(const glm::mat4& matrix)
{
    overrideMatrix = matrix;
    hasOverride = true;
}

void Model::draw(glm::mat4 m, const glm::mat4& projection, const glm::mat4& view)
{
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(textureSamplerLocation, 0);
    modelMatrix = m;

    // "M" always gets the object's own matrix; only "MVP" sees a pending override.
    viewProjection = projection * view;
    glm::mat4 mvp = viewProjection * (hasOverride ? overrideMatrix : modelMatrix);
    glUniformMatrix4fv(mvpLocation, 1, GL_FALSE, &mvp[0][0]);
    glUniformMatrix4fv(modelMatrixLocation, 1, GL_FALSE, &modelMatrix[0][0]);
    glUniformMatrix4fv(viewMatrixLocation, 1, GL_FALSE, &view[0][0]);
    glBindVertexArray(vertexArray);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, nullptr);
    // The vertex array stays bound; only the array-buffer binding is cleared.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    hasOverride = false;
}
