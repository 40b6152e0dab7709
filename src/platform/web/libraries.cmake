# The libraries of the browser build, under the names the modules link on the desktop. Bullet,
# FreeType, libsndfile, Assimp and zlib come from tools/web.sh's prefix (VELMORA_WEB_LIBS), found by
# their pkg-config files there and nowhere else; GLM is Debian's headers; GLFW, OpenGL (WebGL 2) and
# OpenAL (on WebAudio) are Emscripten's own.
set(VELMORA_WEB_LIBS "" CACHE PATH "The prefix tools/web.sh builds the libraries into")
if(NOT EXISTS "${VELMORA_WEB_LIBS}/lib/pkgconfig/bullet.pc")
    message(FATAL_ERROR "No libraries for the browser in '${VELMORA_WEB_LIBS}': run tools/web.sh")
endif()
find_package(PkgConfig REQUIRED)
set(ENV{PKG_CONFIG_LIBDIR} "${VELMORA_WEB_LIBS}/lib/pkgconfig")
pkg_check_modules(BULLET REQUIRED IMPORTED_TARGET bullet)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(ASSIMP REQUIRED IMPORTED_TARGET assimp minizip zlib)

add_library(glm::glm INTERFACE IMPORTED)
target_include_directories(glm::glm INTERFACE "${VELMORA_WEB_LIBS}/include")
add_library(Freetype::Freetype INTERFACE IMPORTED)
target_link_libraries(Freetype::Freetype INTERFACE PkgConfig::FREETYPE)
# Assimp reports a bad file by throwing inside ReadFile and catching it there: the program that
# links it takes exceptions too, or the throw aborts.
add_library(assimp::assimp INTERFACE IMPORTED)
target_link_libraries(assimp::assimp INTERFACE PkgConfig::ASSIMP)
target_link_options(assimp::assimp INTERFACE -fexceptions)
# WebGL 2 and nothing older, with what the page reaches through the browser's extensions
# (src/platform/web/web_gl.cpp); GLEW has nothing to load in a browser.
add_library(OpenGL::GL INTERFACE IMPORTED)
target_link_libraries(OpenGL::GL INTERFACE velmora_web_gl)
target_link_options(OpenGL::GL INTERFACE -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2)
add_library(GLEW::GLEW INTERFACE IMPORTED)
# Emscripten's GLFW gives the key names and the clock; render/gl.h gives the GL headers.
add_library(glfw INTERFACE IMPORTED)
target_compile_definitions(glfw INTERFACE GLFW_INCLUDE_NONE)
target_link_options(glfw INTERFACE -sUSE_GLFW=3)
add_library(OpenAL::OpenAL INTERFACE IMPORTED)
target_link_libraries(OpenAL::OpenAL INTERFACE openal)
add_library(Threads::Threads INTERFACE IMPORTED)
