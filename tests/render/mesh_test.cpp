#include "render/console_wait.h"
#include "render/mesh.h"
#include "support/test_support.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <string>

namespace
{

// Two triangles of a unit square in the z = 0 plane, with texture coordinates and (unnormalised) normals.
const char* twoTriangles = "v 0 0 0\n"
                           "v 1 0 0\n"
                           "v 1 1 0\n"
                           "v 0 1 0\n"
                           "vt 0 0\n"
                           "vt 1 0\n"
                           "vt 1 1\n"
                           "vt 0 1\n"
                           "vn 0 0 2\n"
                           "f 1/1/1 2/2/1 3/3/1\n"
                           "f 1/1/1 3/3/1 4/4/1\n";

} // namespace

// The loader waits for a typed character after a failure; the tests run with standard input at /dev/null.
class MeshLoading : public ::testing::Test
{
  protected:
    void SetUp() override { dir = makeScratchDir("mesh"); }

    bool load(const std::string& name, const std::string& obj)
    {
        std::string path = dir + "/" + name;
        writeFile(path, obj);
        return loadPath(path);
    }

    bool loadPath(const std::string& path)
    {
        bool result = false;
        errors = captureStderr([&] { result = loadMesh(path.c_str(), indices, vertices, uvs, normals); });
        return result;
    }

    std::string dir;
    std::string errors;
    std::vector<unsigned int> indices;
    std::vector<glm::vec3> vertices;
    std::vector<glm::vec2> uvs;
    std::vector<glm::vec3> normals;
};

TEST_F(MeshLoading, TriangleFileGivesThreeIndicesPerFaceAndOneUvAndNormalPerVertex)
{
    ASSERT_TRUE(load("square.obj", twoTriangles)) << errors;
    EXPECT_EQ(errors, "");

    // Without vertex joining every face corner is its own vertex: n = 6 for f = 2.
    size_t n = vertices.size();
    EXPECT_EQ(n, 6u);
    EXPECT_EQ(uvs.size(), n);
    EXPECT_EQ(normals.size(), n);
    ASSERT_EQ(indices.size(), 6u);
    for (unsigned int index : indices)
    {
        EXPECT_LT(index, n);
    }

    // The third corner of the second face is (0, 1, 0) with texture coordinate (0, 1): v is not flipped.
    EXPECT_EQ(vertices[indices[5]], glm::vec3(0, 1, 0));
    EXPECT_EQ(uvs[indices[5]], glm::vec2(0, 1));
    EXPECT_EQ(uvs[indices[0]], glm::vec2(0, 0));
    EXPECT_EQ(normals[indices[2]], glm::vec3(0, 0, 2)) << "normals are taken as written, not renormalised";
}

TEST_F(MeshLoading, QuadsGiveTheirFirstThreeCorners)
{
    const char* quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                       "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                       "f 1/1/1 2/2/1 3/3/1 4/4/1\n";
    ASSERT_TRUE(load("quad.obj", quad)) << errors;
    ASSERT_EQ(indices.size(), 3u) << "one triangle per quad";
    EXPECT_EQ(vertices[indices[0]], glm::vec3(0, 0, 0));
    EXPECT_EQ(vertices[indices[1]], glm::vec3(1, 0, 0));
    EXPECT_EQ(vertices[indices[2]], glm::vec3(1, 1, 0));
}

// What a platform that cannot wait for a key (a web page) was asked to show instead.
static std::string shownInstead;

TEST_F(MeshLoading, MissingFilePrintsTheImporterErrorAndLeavesArraysEmpty)
{
    EXPECT_FALSE(loadPath(dir + "/nowhere.obj"));
    EXPECT_NE(errors.find("nowhere.obj"), std::string::npos) << errors;
    EXPECT_TRUE(indices.empty() && vertices.empty() && uvs.empty() && normals.empty());

    // Where the console cannot wait, the same words are shown instead: the file and what is wrong.
    setReaderWait([](const char* message) { shownInstead = message; });
    EXPECT_FALSE(loadPath(dir + "/nowhere.obj"));
    EXPECT_FALSE(load("empty.obj", "# a model file without a single mesh in it\n"));
    setReaderWait(nullptr);
    EXPECT_EQ(shownInstead, "Cannot use model " + dir + "/empty.obj: it holds no mesh");
    EXPECT_EQ(errors, shownInstead + "\n");
}

TEST_F(MeshLoading, MeshesTheDrawCannotUseAreRefusedWithOneLine)
{
    struct Case
    {
        const char* name;
        const char* obj;
        const char* reason;
    };
    const Case cases[] = {
        {"nouvs.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n", "texture coordinates"},
        {"nonormals.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1\n", "normals"},
        {"line.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\nl 1/1 2/1\n",
         "three corners"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        // Arrays that already hold data must come back untouched.
        indices.assign(1, 7u);
        vertices.assign(1, glm::vec3(5));
        uvs.clear();
        normals.clear();
        EXPECT_FALSE(load(c.name, c.obj));
        EXPECT_NE(errors.find(c.name), std::string::npos) << errors;
        EXPECT_NE(errors.find(c.reason), std::string::npos) << errors;
        EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one line: " << errors;
        EXPECT_EQ(indices.size(), 1u);
        EXPECT_EQ(vertices.size(), 1u);
        EXPECT_TRUE(uvs.empty() && normals.empty());
    }
}

TEST(MeshCheck, RefusesIndicesOutsideTheMeshAndScenesWithoutMeshes)
{
    std::string why;
    EXPECT_FALSE(checkMeshScene(nullptr, why));
    EXPECT_NE(why.find("no mesh"), std::string::npos);

    aiScene empty;
    why.clear();
    EXPECT_FALSE(checkMeshScene(&empty, why));
    EXPECT_NE(why.find("no mesh"), std::string::npos);

    // A hand-built triangle whose third corner points one past the last vertex.
    aiMesh* mesh = new aiMesh();
    mesh->mNumVertices = 3;
    mesh->mVertices = new aiVector3D[3];
    mesh->mNormals = new aiVector3D[3];
    mesh->mTextureCoords[0] = new aiVector3D[3];
    mesh->mNumFaces = 1;
    mesh->mFaces = new aiFace[1];
    mesh->mFaces[0].mNumIndices = 3;
    mesh->mFaces[0].mIndices = new unsigned int[3]{0, 1, 3};
    aiScene scene;
    scene.mNumMeshes = 1;
    scene.mMeshes = new aiMesh* [1] { mesh };
    why.clear();
    EXPECT_FALSE(checkMeshScene(&scene, why));
    EXPECT_NE(why.find("does not exist"), std::string::npos) << why;

    mesh->mFaces[0].mIndices[2] = 2;
    EXPECT_TRUE(checkMeshScene(&scene, why));
}
