// The generated models and textures in the game folder, read back through the game's own loaders.
// The generated sounds are checked in tests/sound; here only that each run writes the same bytes.
#include "render/bmp.h"
#include "render/mesh.h"
#include "support/test_support.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
const std::string gameDir = VELMORA_GAME_DIR;

const char* const modelFiles[] = {"Models/newAsteroid.obj",       "Models/rock.obj",
                                  "Models/newMassiveStation.obj", "Models/newStation.obj",
                                  "Models/massiveEarth.obj",      "Models/sun.obj"};
const char* const textureFiles[] = {"Texture/asteroid_texture.bmp", "Texture/earth_texture.bmp",
                                    "Texture/metal_texture.bmp", "Texture/uvtemplate.bmp",
                                    "Texture/industrial_texture.bmp"};
const char* const soundFiles[] = {"Sound/shot.wav", "Sound/hit.wav",  "Sound/earth.wav",
                                  "Sound/win.wav",  "Sound/lose.wav", "Sound/hum.wav", "Sound/shothit.wav"};

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int32_t readInt32(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)]);
    return static_cast<int32_t>(value);
}

bool isPowerOfTwo(int32_t n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// Size a model must have: every coordinate within maxHalfExtent, and its largest half extent at
// least minHalfExtent, so it neither pokes out of nor rattles inside its collision box.
struct ModelSize
{
    const char* file;
    float minHalfExtent;
    float maxHalfExtent;
};

const ModelSize modelSizes[] = {
    {"Models/newAsteroid.obj", 0.7f, 0.8f},       {"Models/rock.obj", 0.5f, 1.5f},
    {"Models/newMassiveStation.obj", 3.0f, 6.0f}, {"Models/newStation.obj", 0.5f, 0.8f},
    {"Models/massiveEarth.obj", 9.99f, 10.0f},    {"Models/sun.obj", 4.0f, 8.0f},
};

// Failure messages name the model file rather than dumping the parameter's bytes.
void PrintTo(const ModelSize& size, std::ostream* out) { *out << size.file; }
} // namespace

// One model loaded with loadMesh; the fixture keeps the four arrays and what went to standard error.
class GeneratedModel : public ::testing::TestWithParam<ModelSize>
{
  protected:
    void SetUp() override
    {
        path = gameDir + "/" + GetParam().file;
        errors = captureStderr([&] { loaded = loadMesh(path.c_str(), indices, vertices, uvs, normals); });
        ASSERT_TRUE(loaded) << path << ": " << errors;
    }

    glm::vec3 faceNormal(size_t t) const
    {
        glm::vec3 a = vertices[indices[t]], b = vertices[indices[t + 1]], c = vertices[indices[t + 2]];
        return glm::cross(b - a, c - a);
    }

    std::string path;
    std::string errors;
    bool loaded = false;
    std::vector<unsigned int> indices;
    std::vector<glm::vec3> vertices;
    std::vector<glm::vec2> uvs;
    std::vector<glm::vec3> normals;
};

TEST_P(GeneratedModel, LoadsAsOneTriangleMeshWithUvsAndNormalsAtEveryCorner)
{
    EXPECT_EQ(errors, "");
    // Without vertex joining every face corner is its own vertex: n corners, n uvs, n normals, 3f = n
    // indices.
    ASSERT_FALSE(vertices.empty());
    EXPECT_EQ(uvs.size(), vertices.size());
    EXPECT_EQ(normals.size(), vertices.size());
    EXPECT_EQ(indices.size(), vertices.size());
    EXPECT_EQ(indices.size() % 3, 0u);
    for (unsigned int index : indices)
        ASSERT_LT(index, vertices.size());

    // The game draws only the first mesh, so a model split into several would lose parts.
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->mNumMeshes, 1u) << path;
}

TEST_P(GeneratedModel, IsCentredAndFillsItsBox)
{
    glm::vec3 lo(1e30f), hi(-1e30f);
    for (const glm::vec3& p : vertices)
    {
        lo = glm::min(lo, p);
        hi = glm::max(hi, p);
    }
    const ModelSize& size = GetParam();
    float largest = std::max({-lo.x, -lo.y, -lo.z, hi.x, hi.y, hi.z});
    EXPECT_LE(largest, size.maxHalfExtent + 1e-4f) << path;
    EXPECT_GE(largest, size.minHalfExtent) << path;
    glm::vec3 centre = (lo + hi) * 0.5f;
    EXPECT_LT(glm::length(centre), 0.1f * largest) << "model space is centred on the origin";
}

TEST_P(GeneratedModel, FacesWindOutwardAndAgreeWithTheirNormals)
{
    // A closed surface wound counter-clockwise from outside encloses a positive volume.
    double volume = 0.0;
    for (size_t t = 0; t + 2 < indices.size(); t += 3)
        volume +=
            glm::dot(glm::dvec3(vertices[indices[t]]),
                     glm::cross(glm::dvec3(vertices[indices[t + 1]]), glm::dvec3(vertices[indices[t + 2]])));
    EXPECT_GT(volume, 0.0) << path << " is wound inside out";

    // Smooth normals are unit length and lie on the same side as the face they shade.
    size_t disagreeing = 0;
    for (size_t t = 0; t + 2 < indices.size(); t += 3)
    {
        glm::vec3 face = faceNormal(t);
        for (size_t k = 0; k < 3; ++k)
        {
            glm::vec3 n = normals[indices[t + k]];
            ASSERT_NEAR(glm::length(n), 1.0f, 2e-3f) << path << " corner " << t + k;
            if (glm::dot(face, n) <= 0.0f)
                ++disagreeing;
        }
    }
    EXPECT_LE(disagreeing, indices.size() / 200) << path << ": corners whose normal faces away from the face";
}

INSTANTIATE_TEST_SUITE_P(Level, GeneratedModel, ::testing::ValuesIn(modelSizes),
                         [](const ::testing::TestParamInfo<ModelSize>& info)
                         {
                             std::string name = info.param.file + 7; // past "Models/"
                             return name.substr(0, name.find('.'));
                         });

// The Earth is a sphere of radius 10 mapped so the texture's left-to-right is once around the
// y axis and its bottom row is the south pole.
TEST(GeneratedEarth, IsARadiusTenSphereWithEquirectangularUvs)
{
    std::vector<unsigned int> indices;
    std::vector<glm::vec3> vertices, normals;
    std::vector<glm::vec2> uvs;
    ASSERT_TRUE(loadMesh((gameDir + "/Models/massiveEarth.obj").c_str(), indices, vertices, uvs, normals));
    const float pi = 3.14159265f;
    for (size_t i = 0; i < vertices.size(); ++i)
    {
        glm::vec3 p = vertices[i];
        ASSERT_NEAR(glm::length(p), 10.0f, 1e-3f);
        EXPECT_NEAR(uvs[i].y, 0.5f + std::asin(std::clamp(p.y / 10.0f, -1.0f, 1.0f)) / pi, 1e-3f) << i;
        EXPECT_GT(glm::dot(normals[i], p), 9.99f) << "normals point straight out";
        if (std::fabs(p.y) > 9.99f)
            continue; // longitude is undefined at the poles
        float u = std::atan2(-p.z, p.x) / (2.0f * pi);
        float wrapped = std::fabs((u - uvs[i].x) - std::round(u - uvs[i].x));
        EXPECT_LT(wrapped, 1e-3f) << "u follows the longitude at corner " << i;
    }
}

// Every texture is a 24-bit bitmap that decodeBMP, the check behind loadBMP, accepts as it stands.
class GeneratedTexture : public ::testing::TestWithParam<const char*>
{
  protected:
    void SetUp() override
    {
        path = gameDir + "/" + GetParam();
        bytes = readBytes(path);
        ASSERT_GE(bytes.size(), 54u) << path;
    }

    std::string path;
    std::string bytes;
};

TEST_P(GeneratedTexture, DecodesAsAPowerOfTwo24BitBitmap)
{
    BmpImage image;
    std::string output = captureStdout(
        [&]
        {
            EXPECT_TRUE(
                decodeBMP(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), path.c_str(), image));
        });
    EXPECT_EQ(output, "");
    EXPECT_TRUE(isPowerOfTwo(image.width)) << image.width;
    EXPECT_TRUE(isPowerOfTwo(image.height)) << image.height;
    EXPECT_GE(std::min(image.width, image.height), 256);
    EXPECT_LE(std::max(image.width, image.height), 1024);

    // Standard header: 40-byte information header, pixels at 54, 24 bits, no compression, sizes filled.
    size_t dataBytes = bmpRowStride(image.width) * static_cast<size_t>(image.height);
    EXPECT_EQ(readInt32(bytes, 10), 54);
    EXPECT_EQ(readInt32(bytes, 14), 40);
    EXPECT_EQ(static_cast<uint8_t>(bytes[28]), 24);
    EXPECT_EQ(readInt32(bytes, 30), 0);
    EXPECT_EQ(static_cast<size_t>(readInt32(bytes, 34)), dataBytes);
    EXPECT_EQ(static_cast<size_t>(readInt32(bytes, 2)), bytes.size());
    EXPECT_EQ(bytes.size(), 54 + dataBytes);
}

INSTANTIATE_TEST_SUITE_P(Level, GeneratedTexture, ::testing::ValuesIn(textureFiles),
                         [](const ::testing::TestParamInfo<const char*>& info)
                         {
                             std::string name = info.param + 8; // past "Texture/"
                             return name.substr(0, name.find('.'));
                         });

class GeneratedPictures : public ::testing::Test
{
  protected:
    BmpImage load(const char* file)
    {
        std::string bytes = readBytes(gameDir + "/" + file);
        BmpImage image;
        EXPECT_TRUE(decodeBMP(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), file, image));
        return image;
    }

    // Blue, green, red of pixel (x, y), y counted from the bottom row as the file stores it.
    glm::ivec3 bgr(const BmpImage& image, int x, int y)
    {
        const uint8_t* p = &image.pixels[static_cast<size_t>(y) * bmpRowStride(image.width) + x * 3];
        return glm::ivec3(p[0], p[1], p[2]);
    }
};

TEST_F(GeneratedPictures, UvGridMarksCellA1AtTheBottomLeft)
{
    // The red corner mark sits at u = 0, v = 0: the first pixels of the file's first (bottom) row.
    BmpImage image = load("Texture/uvtemplate.bmp");
    ASSERT_GT(image.height, 0);
    glm::ivec3 corner = bgr(image, 6, 6);
    EXPECT_GT(corner.z, 200) << "red";
    EXPECT_LT(corner.x, 60) << "blue";
    glm::ivec3 topLeft = bgr(image, 6, image.height - 7);
    EXPECT_LT(topLeft.z - topLeft.x, 100) << "no mark at the top: the grid is not upside down";
}

TEST_F(GeneratedPictures, EarthHasOceansLandAndIceCaps)
{
    BmpImage image = load("Texture/earth_texture.bmp");
    ASSERT_GT(image.height, 0);
    int ocean = 0, land = 0, icy = 0, samples = 0;
    for (int y = image.height / 4; y < image.height * 3 / 4; y += 4)
    {
        for (int x = 0; x < image.width; x += 4)
        {
            glm::ivec3 c = bgr(image, x, y);
            ++samples;
            if (c.x > c.z + 30 && c.x > c.y)
                ++ocean;
            else if (c.y >= c.x || c.z > c.x)
                ++land;
        }
    }
    // The top and bottom rows are the poles.
    for (int x = 0; x < image.width; x += 4)
        for (int y : {0, image.height - 1})
            if (glm::all(glm::greaterThan(bgr(image, x, y), glm::ivec3(200))))
                ++icy;
    EXPECT_GT(ocean, samples / 3) << "mostly ocean between the tropics and the poles";
    EXPECT_GT(land, samples / 10) << "with continents";
    EXPECT_EQ(icy, 2 * ((image.width + 3) / 4)) << "both poles are ice";
}

#ifdef VELMORA_ASSETGEN
// The generator runs inside the build; the same binary must give the same bytes every time, and the
// game folder must hold exactly what it gives.
class AssetGenerator : public ::testing::Test
{
  protected:
    int run(const std::string& dir, std::string& output)
    {
        std::string log = dir + ".log";
        std::string command = std::string("'") + VELMORA_ASSETGEN + "' '" + dir + "' > '" + log + "' 2>&1";
        int status = std::system(command.c_str());
        output = readBytes(log);
        return status;
    }
};

TEST_F(AssetGenerator, WritesTheSameBytesOnEveryRun)
{
    std::string scratch = makeScratchDir("assetgen");
    std::string first = scratch + "/first", second = scratch + "/second", output;
    ASSERT_EQ(run(first, output), 0) << output;
    ASSERT_EQ(run(second, output), 0) << output;

    std::vector<const char*> files(std::begin(modelFiles), std::end(modelFiles));
    files.insert(files.end(), std::begin(textureFiles), std::end(textureFiles));
    files.insert(files.end(), std::begin(soundFiles), std::end(soundFiles));
    for (const char* file : files)
    {
        EXPECT_NE(output.find(file), std::string::npos) << "one line per written file: " << file;
        std::string a = readBytes(first + "/" + file);
        ASSERT_FALSE(a.empty()) << file;
        EXPECT_LT(a.size(), 3u << 20) << file;
        EXPECT_TRUE(a == readBytes(second + "/" + file)) << file << " differs between two runs";
        EXPECT_TRUE(a == readBytes(gameDir + "/" + file)) << file << " in the game folder is stale";
    }
}

TEST_F(AssetGenerator, FailsWithAMessageWhenItCannotWrite)
{
    // A plain file where the Texture folder should be: the generator must stop and say which folder.
    std::string dir = makeScratchDir("assetgen-blocked");
    writeFile(dir + "/Texture", "not a folder");
    std::string output;
    EXPECT_NE(run(dir, output), 0);
    EXPECT_NE(output.find(dir + "/Texture"), std::string::npos) << output;
}
#endif
