// Feeds arbitrary bytes to loadMesh as an .obj file, through Assimp's OBJ reader and the game's own
// checks, exactly as a model under Models/ is read. Whatever it accepts must be drawable: three
// equally long vertex arrays and whole triangles whose indices all lie inside them; whatever it
// refuses must leave the arrays empty and say why on standard error.
//
// Assimp itself is not instrumented, so the fuzzer would see almost no new coverage from its
// mutations. The outcome is fed back instead: each distinct refusal message and each size class of
// an accepted mesh marks a counter of its own.
#include "render/mesh.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <functional>

__attribute__((used, section("__libfuzzer_extra_counters"))) static uint8_t outcomeCounters[4096];

static std::string directory;
static std::string objPath;

static void removeScratch()
{
    unlink(objPath.c_str());
    rmdir(directory.c_str());
}

// Size class: 0 for none, else one plus the position of the highest set bit (at most 31).
static size_t bucket(size_t count)
{
    size_t size = 0;
    while (count != 0 && size < 31)
    {
        count >>= 1;
        size++;
    }
    return size;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // loadMesh waits for a key after a refusal; with no input the wait ends at once.
    if (freopen("/dev/null", "r", stdin) == nullptr)
    {
        abort();
    }
    char pattern[] = "/tmp/velmora-fuzz-mesh.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
    {
        abort();
    }
    directory = pattern;
    objPath = directory + "/model.obj";
    atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* file = fopen(objPath.c_str(), "wb");
    if (file == nullptr || fwrite(data, 1, size, file) != size)
    {
        abort();
    }
    fclose(file);

    std::vector<unsigned int> indices;
    std::vector<glm::vec3> vertices;
    std::vector<glm::vec2> uvs;
    std::vector<glm::vec3> normals;
    // The refusal message is caught in memory; the real standard error stays for the sanitizers.
    char* message = nullptr;
    size_t messageLength = 0;
    FILE* console = stderr;
    stderr = open_memstream(&message, &messageLength);
    bool loaded = loadMesh(objPath.c_str(), indices, vertices, uvs, normals);
    fclose(stderr);
    stderr = console;
    std::string text(message, messageLength);
    free(message);

    if (!loaded)
    {
        if (!indices.empty() || !vertices.empty() || !uvs.empty() || !normals.empty() || text.empty())
        {
            abort();
        }
        // The file name, line numbers and counts are dropped, and only the start of the text is
        // kept (Assimp quotes the offending token further on): one kind of refusal, one counter.
        size_t at = text.find(objPath);
        if (at != std::string::npos)
        {
            text.erase(at, objPath.size());
        }
        std::string kind;
        for (char c : text)
        {
            if ((c < '0' || c > '9') && kind.size() < 40)
            {
                kind += c;
            }
        }
        outcomeCounters[std::hash<std::string>()(kind) % 2048]++;
        return 0;
    }
    outcomeCounters[2048 + bucket(vertices.size()) * 32 + bucket(indices.size())]++;
    if (uvs.size() != vertices.size() || normals.size() != vertices.size() || indices.size() % 3 != 0)
    {
        abort();
    }
    for (unsigned int index : indices)
    {
        if (index >= vertices.size())
        {
            abort();
        }
    }
    return 0;
}
