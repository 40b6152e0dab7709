// Writes every model, texture and sound the game uses into a game folder, or the desktop icons into
// a hicolor icon theme folder:
//   assetgen <gameDir>
//   assetgen --icons <iconsDir>      (writes <iconsDir>/hicolor/NxN/apps/velmora.png)
// Output is byte-identical from run to run: all randomness comes from fixed seeds.
#include "bmp_writer.h"
#include "icon.h"
#include "meshes.h"
#include "obj_writer.h"
#include "sounds.h"
#include "textures.h"
#include "wav_writer.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace
{
struct ModelJob
{
    const char* file;
    const char* name;
    Mesh (*make)();
};

struct TextureJob
{
    const char* file;
    Image (*make)();
};

struct SoundJob
{
    const char* file;
    Clip (*make)();
};

const ModelJob models[] = {
    {"Models/newAsteroid.obj", "asteroid", makeAsteroid},
    {"Models/rock.obj", "rock", makeRock},
    {"Models/newMassiveStation.obj", "massive_station", makeMassiveStation},
    {"Models/newStation.obj", "station", makeSmallStation},
    {"Models/massiveEarth.obj", "earth", makeEarth},
    {"Models/sun.obj", "sun", makeSun},
};

const TextureJob textures[] = {
    {"Texture/asteroid_texture.bmp", makeAsteroidTexture},
    {"Texture/earth_texture.bmp", makeEarthTexture},
    {"Texture/metal_texture.bmp", makeMetalTexture},
    {"Texture/uvtemplate.bmp", makeUvTemplate},
    {"Texture/industrial_texture.bmp", makeIndustrialTexture},
};

const SoundJob sounds[] = {
    {"Sound/shot.wav", makeShotSound},         {"Sound/hit.wav", makeHitSound},
    {"Sound/earth.wav", makeEarthImpactSound}, {"Sound/win.wav", makeWinSound},
    {"Sound/lose.wav", makeLoseSound},         {"Sound/hum.wav", makeHumSound},
    {"Sound/shothit.wav", makeShotHitSound},
};

bool makeFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
    {
        std::fprintf(stderr, "assetgen: cannot create folder %s: %s\n", folder.string().c_str(),
                     error.message().c_str());
        return false;
    }
    return true;
}

// The sizes desktops ask for most; 256 is what software centres show.
const int iconSizes[] = {48, 64, 128, 256};

int writeIcons(const std::filesystem::path& iconsDir)
{
    for (int size : iconSizes)
    {
        std::string side = std::to_string(size);
        std::filesystem::path folder = iconsDir / "hicolor" / (side + "x" + side) / "apps";
        if (!makeFolder(folder))
            return 1;
        std::string path = (folder / "velmora.png").string();
        if (!writePNG(path, makeIcon(size)))
            return 1;
        std::printf("assetgen: wrote %s (%dx%d)\n", path.c_str(), size, size);
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--icons")
        return writeIcons(argv[2]);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: assetgen <gameDir> | assetgen --icons <iconsDir>\n");
        return 2;
    }
    const std::filesystem::path gameDir(argv[1]);
    if (!makeFolder(gameDir / "Models") || !makeFolder(gameDir / "Texture") || !makeFolder(gameDir / "Sound"))
        return 1;

    for (const ModelJob& job : models)
    {
        std::string path = (gameDir / job.file).string();
        Mesh mesh = job.make();
        if (!writeOBJ(path, mesh, job.name))
            return 1;
        std::printf("assetgen: wrote %s (%zu triangles)\n", path.c_str(), mesh.triangleCount());
    }
    for (const TextureJob& job : textures)
    {
        std::string path = (gameDir / job.file).string();
        Image image = job.make();
        if (!writeBMP(path, image))
            return 1;
        std::printf("assetgen: wrote %s (%dx%d)\n", path.c_str(), image.width, image.height);
    }
    for (const SoundJob& job : sounds)
    {
        std::string path = (gameDir / job.file).string();
        Clip clip = job.make();
        if (!writeWAV(path, clip))
            return 1;
        std::printf("assetgen: wrote %s (%.2f s)\n", path.c_str(), clip.seconds());
    }
    return 0;
}
