#include "platform/web/web_page.h"

#include <emscripten/emscripten.h>

#include <cstdio>

// JavaScript, as Emscripten pastes it into the page:
// clang-format off

EM_JS(void, setMessageText, (const char* text), {
    var message = document.getElementById('message');
    if (message) {
        message.textContent = UTF8ToString(text);
        message.hidden = message.textContent.length == 0;
    }
});

// Standard output and standard error each keep the line they are writing until its end comes.
EM_JS(void, flushConsoleStreams, (), {
    [1, 2].forEach(function(descriptor) {
        var stream = FS.getStream(descriptor);
        if (stream && stream.tty && stream.tty.ops.flush) {
            stream.tty.ops.flush(stream.tty);
        }
    });
});

EM_JS(int, askStillPage, (), {
    return new URLSearchParams(window.location.search).has('still') ? 1 : 0;
});

// Mounted over the folder of the in-memory file system, then filled from IndexedDB; Module.playerFiles
// says when that is done. A browser that keeps nothing (a private window may refuse IndexedDB) still
// plays: the records then last as long as the page.
EM_JS(void, mountIndexedFolder, (const char* path), {
    var folder = UTF8ToString(path);
    Module.playerFiles = { folder: folder, loaded: false, saves: 0 };
    try {
        FS.mkdirTree(folder);
        FS.mount(IDBFS, {}, folder);
    } catch (error) {
        console.error('Records: the browser keeps no files here (' + error + ')');
        Module.playerFiles.loaded = true;
        return;
    }
    FS.syncfs(true, function(error) {
        if (error) {
            console.error("Records: cannot read the browser's storage (" + error + ")");
        }
        Module.playerFiles.loaded = true;
    });
});

EM_JS(int, askPlayerFilesLoaded, (), {
    return Module.playerFiles && Module.playerFiles.loaded ? 1 : 0;
});

EM_JS(void, syncIndexedFolder, (), {
    FS.syncfs(false, function(error) {
        if (error) {
            console.error("Records: cannot keep them in the browser's storage (" + error + ")");
            return;
        }
        Module.playerFiles.saves++;
    });
});

EM_JS(void, downloadBytes, (const char* name, const uint8_t* bytes, size_t size), {
    var blob = new Blob([HEAPU8.slice(bytes, bytes + size)], { type: 'image/png' });
    var link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = UTF8ToString(name);
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function() { URL.revokeObjectURL(link.href); }, 10000);
});

EM_JS(void, setStatus, (int frames, int playedFrames, int shots, int paused, int captured, const char* outcome,
                        float x, float y, float z, float yaw, int wireFrame), {
    var status = window.velmora || (window.velmora = {});
    status.frames = frames;
    status.playedFrames = playedFrames;
    status.shots = shots;
    status.paused = paused != 0;
    status.captured = captured != 0;
    status.outcome = UTF8ToString(outcome);
    status.projectile = [x, y, z];
    status.yaw = yaw;
    status.wireFrame = wireFrame != 0;
    // Milliseconds from the start of the page's navigation to the first frame the game played.
    if (playedFrames > 0 && status.firstFrameMs === undefined) {
        status.firstFrameMs = performance.now();
    }
    status.filesKept = Module.playerFiles ? Module.playerFiles.saves : 0;
});
// clang-format on

void showPageMessage(const std::string& text)
{
    setMessageText(text.c_str());
}

void endConsoleLines()
{
    fflush(stdout);
    fflush(stderr);
    flushConsoleStreams();
}

bool isStillPage()
{
    return askStillPage() != 0;
}

void mountPlayerFolder(const std::string& folder)
{
    mountIndexedFolder(folder.c_str());
}

bool arePlayerFilesLoaded()
{
    return askPlayerFilesLoaded() != 0;
}

void keepPlayerFiles()
{
    syncIndexedFolder();
}

void offerDownload(const std::string& name, const uint8_t* bytes, size_t size)
{
    downloadBytes(name.c_str(), bytes, size);
}

void publishStatus(const PageStatus& status)
{
    setStatus(status.frames, status.playedFrames, status.shots, status.paused, status.captured,
              status.outcome, status.projectile[0], status.projectile[1], status.projectile[2], status.yaw,
              status.wireFrame);
}
