// Real files nobody here wrote, from Debian's test packages: Assimp's OBJ test models (with its
// invalid/ folder) and the bitmaps of the gdk-pixbuf and SDL2_image test suites, many of them
// malformed on purpose. Every one must be either read whole or refused with a message; a crash or
// an out-of-bounds read fails the whole run (these tests also run under AddressSanitizer).
#include "render/bmp.h"
#include "render/mesh.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

const char* const assimpModels = "/usr/share/assimp/models";
const char* const bitmapFolders[] = {"/usr/libexec/installed-tests/gdk-pixbuf",
                                     "/usr/libexec/installed-tests/SDL2_image"};
const char* const sdlImages = "/usr/libexec/installed-tests/SDL2_image";

bool hasExtension(const fs::path& path, const std::string& extension)
{
    std::string name = path.extension().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name == extension;
}

// Every regular file under folder with that extension, sorted so the reports read the same each run.
std::vector<std::string> filesUnder(const std::string& folder, const std::string& extension)
{
    std::vector<std::string> files;
    std::error_code error;
    if (!fs::is_directory(folder, error))
    {
        return files;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
    {
        if (entry.is_regular_file() && hasExtension(entry.path(), extension))
        {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

// loadMesh waits for one typed character after a refusal; with no input the wait ends at once.
class PackagedModels : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_NE(freopen("/dev/null", "r", stdin), nullptr);
        files = filesUnder(assimpModels, ".obj");
        if (files.empty())
        {
            GTEST_SKIP() << "assimp-testmodels is not installed";
        }
    }

    bool load(const std::string& path)
    {
        indices.clear();
        vertices.clear();
        uvs.clear();
        normals.clear();
        bool loaded = false;
        errors = captureStderr([&] { loaded = loadMesh(path.c_str(), indices, vertices, uvs, normals); });
        return loaded;
    }

    std::vector<std::string> files;
    std::string errors;
    std::vector<unsigned int> indices;
    std::vector<glm::vec3> vertices;
    std::vector<glm::vec2> uvs;
    std::vector<glm::vec3> normals;
};

TEST_F(PackagedModels, EveryObjIsLoadedDrawableOrRefusedWithAMessage)
{
    int loaded = 0;
    int refused = 0;
    for (const std::string& path : files)
    {
        SCOPED_TRACE(path);
        if (load(path))
        {
            // What the upload and the indexed draw will read: equal vertex arrays, whole triangles,
            // no index past the vertices.
            loaded++;
            EXPECT_EQ(uvs.size(), vertices.size());
            EXPECT_EQ(normals.size(), vertices.size());
            EXPECT_EQ(indices.size() % 3, 0u);
            for (unsigned int index : indices)
            {
                ASSERT_LT(index, vertices.size());
            }
        }
        else
        {
            refused++;
            EXPECT_FALSE(errors.empty()) << "refused without a message";
            EXPECT_TRUE(indices.empty() && vertices.empty() && uvs.empty() && normals.empty());
        }
    }
    printf("Packaged OBJ models: %zu files, %d loaded, %d refused\n", files.size(), loaded, refused);
    EXPECT_EQ(static_cast<size_t>(loaded + refused), files.size());
    // The package ships a few complete textured models; refusing all of them would mean the reader broke.
    EXPECT_GE(loaded, 2);
}

TEST_F(PackagedModels, TexturedModelsGiveOneVertexPerFaceCornerOfTheFirstGroup)
{
    // Counted from the files' own text: with no vertex joining every corner is a vertex, and these
    // models are made of triangles only. The spider's first group has 80 faces.
    struct Known
    {
        const char* file;
        size_t faces;
    };
    const Known known[] = {{"OBJ/WusonOBJ.obj", 3732}, {"OBJ/spider.obj", 80}};
    for (const Known& model : known)
    {
        std::string path = std::string(assimpModels) + "/" + model.file;
        SCOPED_TRACE(path);
        if (!fs::exists(path))
        {
            continue;
        }
        ASSERT_TRUE(load(path)) << errors;
        EXPECT_EQ(errors, "");
        EXPECT_EQ(vertices.size(), 3 * model.faces);
        EXPECT_EQ(indices.size(), 3 * model.faces);
        // Triangles without joined vertices index their corners in order.
        EXPECT_EQ(indices[0], 0u);
        EXPECT_EQ(indices.back(), 3 * model.faces - 1);
    }
}

TEST_F(PackagedModels, FilesWithoutTextureCoordinatesOrMeshesAreRefusedNamingTheFile)
{
    std::string box = std::string(assimpModels) + "/OBJ/box.obj";
    if (fs::exists(box))
    {
        EXPECT_FALSE(load(box));
        EXPECT_EQ(errors, "Cannot use model " + box + ": its first mesh has no texture coordinates\n");
    }
    std::string empty = std::string(assimpModels) + "/invalid/empty.obj";
    if (fs::exists(empty))
    {
        // Assimp's own reason, as the importer gives it.
        EXPECT_FALSE(load(empty));
        EXPECT_FALSE(errors.empty());
    }
}

// Every bitmap is decoded from a heap block of exactly the file's size, as loadBMP holds it, so
// AddressSanitizer sees any read past the end.
class PackagedBitmaps : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        for (const char* folder : bitmapFolders)
        {
            std::vector<std::string> found = filesUnder(folder, ".bmp");
            files.insert(files.end(), found.begin(), found.end());
        }
        if (files.empty())
        {
            GTEST_SKIP() << "neither gdk-pixbuf-tests nor libsdl2-image-tests is installed";
        }
    }

    bool decode(const std::string& path)
    {
        bytes = readBytes(path);
        std::unique_ptr<uint8_t[]> exact(new uint8_t[std::max<size_t>(bytes.size(), 1)]);
        memcpy(exact.get(), bytes.data(), bytes.size());
        image = BmpImage();
        bool accepted = false;
        output = captureStdout([&] { accepted = decodeBMP(exact.get(), bytes.size(), path.c_str(), image); });
        return accepted;
    }

    std::vector<std::string> files;
    std::string bytes;
    std::string output;
    BmpImage image;
};

TEST_F(PackagedBitmaps, EveryBmpIsDecodedWholeOrRefusedWithOneLine)
{
    int decoded = 0;
    int refused = 0;
    for (const std::string& path : files)
    {
        SCOPED_TRACE(path);
        if (decode(path))
        {
            decoded++;
            EXPECT_EQ(output, "");
            EXPECT_EQ(image.pixels.size(), bmpRowStride(image.width) * static_cast<size_t>(image.height));
            // Only true 24-bit uncompressed files may get through.
            EXPECT_EQ(bytes[28], 24);
            EXPECT_EQ(bytes[29], 0);
        }
        else
        {
            refused++;
            ASSERT_FALSE(output.empty()) << "refused without a message";
            EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
            EXPECT_EQ(output.back(), '\n');
        }
    }
    printf("Packaged BMP files: %zu files, %d decoded, %d refused\n", files.size(), decoded, refused);
    EXPECT_EQ(static_cast<size_t>(decoded + refused), files.size());
}

TEST_F(PackagedBitmaps, SdlSampleMatchesItsReferencePixmapPixelForPixel)
{
    // SDL2_image ships the same 23 x 42 picture as a 24-bit BMP (with a version-5 header, so its
    // pixels start at byte 138, and rows padded from 69 to 72 bytes) and as a binary PPM.
    std::string bmpPath = std::string(sdlImages) + "/sample.bmp";
    std::string ppmPath = std::string(sdlImages) + "/sample.pnm";
    if (!fs::exists(bmpPath) || !fs::exists(ppmPath))
    {
        GTEST_SKIP() << "libsdl2-image-tests is not installed";
    }
    ASSERT_TRUE(decode(bmpPath)) << output;
    ASSERT_EQ(image.width, 23);
    ASSERT_EQ(image.height, 42);

    // The PPM: "P6", width, height, maximum value (comments start with '#'), one white-space byte,
    // then rows top to bottom, red-green-blue.
    std::string ppm = readBytes(ppmPath);
    size_t at = 2;
    int numbers[3] = {0, 0, 0};
    for (int& number : numbers)
    {
        while (at < ppm.size() && (std::isspace(static_cast<unsigned char>(ppm[at])) || ppm[at] == '#'))
        {
            if (ppm[at] == '#')
            {
                at = ppm.find('\n', at);
            }
            at++;
        }
        while (at < ppm.size() && std::isdigit(static_cast<unsigned char>(ppm[at])))
        {
            number = number * 10 + (ppm[at++] - '0');
        }
    }
    ASSERT_EQ(ppm.compare(0, 2, "P6"), 0);
    ASSERT_EQ(numbers[0], 23);
    ASSERT_EQ(numbers[1], 42);
    ASSERT_EQ(numbers[2], 255);
    at++;
    ASSERT_EQ(ppm.size() - at, 23u * 42u * 3u);

    int mismatches = 0;
    for (int y = 0; y < 42; ++y)
    {
        // The bitmap's first row is the bottom of the picture.
        size_t bmpRow = static_cast<size_t>(41 - y) * bmpRowStride(23);
        for (int x = 0; x < 23; ++x)
        {
            const uint8_t* bgr = &image.pixels[bmpRow + 3 * static_cast<size_t>(x)];
            const char* rgb = &ppm[at + (static_cast<size_t>(y) * 23 + static_cast<size_t>(x)) * 3];
            if (bgr[2] != static_cast<uint8_t>(rgb[0]) || bgr[1] != static_cast<uint8_t>(rgb[1]) ||
                bgr[0] != static_cast<uint8_t>(rgb[2]))
            {
                mismatches++;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(PackagedBitmaps, HostileSizesAreRefusedByTheHeaderNamingTheFile)
{
    // gdk-pixbuf's crafted files claim sizes like 1 x 1509949441 or 1073741825 x 1 in a few dozen
    // bytes; each must be refused by its header, naming the file.
    const char* const crafted[] = {"/usr/libexec/installed-tests/gdk-pixbuf/cve-2015-4491.bmp",
                                   "/usr/libexec/installed-tests/gdk-pixbuf/test-images/fail/bug777315.bmp",
                                   "/usr/libexec/installed-tests/gdk-pixbuf/test-images/randomly-modified/"
                                   "bmp-line-overflow.bmp"};
    for (const char* path : crafted)
    {
        SCOPED_TRACE(path);
        if (!fs::exists(path))
        {
            continue;
        }
        EXPECT_FALSE(decode(path));
        EXPECT_NE(output.find(path), std::string::npos) << output;
        EXPECT_TRUE(image.pixels.empty());
    }
}
