#!/usr/bin/env python3
"""Derives the WebGL 2 (GLSL ES 3.00) shaders from the game's GLSL 4.40 core ones and checks them.

    web_shaders.py OUTPUT_DIR SHADER.glsl... [--sources FILE.cpp|FOLDER...]

Each SHADER.glsl is written to OUTPUT_DIR under the same name, rewritten for GLSL ES 3.00, and
compiled by glslangValidator: as it is and once for every macro it tests with #ifdef or #ifndef
(the game builds variants of a program by defining one, such as STILL_CAMERA). A vertex shader and
the fragment shader of the same name (fboVertexShader.glsl, fboFragmentShader.glsl) are also linked
together. --sources checks the shaders the game carries in its C++ code, as raw-string literals that
start with #version, without writing them anywhere: as the game itself changes them in a browser
(render/shader.cpp), which puts the GLSL ES header in place of their version line and nothing else.

A derived file is written only when its text changed, so the page is not linked again for nothing.

Messages name the original file and line. Exits 1 after naming every shader that does not derive
or compile, so a build that runs it fails.
"""
import os
import re
import subprocess
import sys
import tempfile

ES_HEADER = """#version 300 es
// Derived for WebGL 2 from the game's GLSL 4.40 source: edit that one, not this.
precision highp float;
precision highp int;
precision highp sampler2D;"""
# Lines the header adds in place of the #version line.

VERSION_LINE = re.compile(r"^[ \t]*#version[ \t]+440[ \t]+core[ \t]*$", re.MULTILINE)
# GLSL ES has no noperspective (the word is reserved). The game uses it only on full-screen quads,
# whose vertices all have w = 1, so perspective-correct interpolation gives the same values.
NOPERSPECTIVE = re.compile(r"\bnoperspective[ \t]+")
# GLSL ES uniforms take no initializer; they start at 0, so the game must set such a uniform itself.
UNIFORM_INITIALIZER = re.compile(r"^([ \t]*uniform[ \t]+\w+[ \t]+\w+)[ \t]*=[^;]*;", re.MULTILINE)
# Macros a source tests: each is compiled once defined.
TESTED_MACRO = re.compile(r"^[ \t]*#[ \t]*ifn?def[ \t]+(\w+)", re.MULTILINE)
# Raw-string literals in C++ that hold a whole shader: name = R"(#version ... )".
RAW_SHADER = re.compile(r"(\w+)\s*=\s*R\"\((#version[^\n]*\n.*?)\)\"", re.DOTALL)


# What the game puts in place of the version line of the shaders in its code (platform/web/web_gl.h).
RUNTIME_HEADER = "\n".join(line for line in ES_HEADER.splitlines() if not line.startswith("//"))


def derive(source):
    """The GLSL ES 3.00 text of a GLSL 4.40 core source, or None when it has no such #version."""
    if not VERSION_LINE.search(source):
        return None
    derived = VERSION_LINE.sub(lambda _: ES_HEADER, source, count=1)
    derived = NOPERSPECTIVE.sub("", derived)
    return UNIFORM_INITIALIZER.sub(r"\1;", derived)


def derive_at_run_time(source):
    """The text a browser compiles for a shader in the game's code, or None without the version line."""
    if not VERSION_LINE.search(source):
        return None
    return VERSION_LINE.sub(lambda _: RUNTIME_HEADER, source, count=1)


def stage_of(name):
    """glslangValidator's stage for a file or variable name: it takes the stage from the extension."""
    if "Vertex" in name:
        return "vert"
    if "Fragment" in name:
        return "frag"
    return None


def read_text(path):
    try:
        with open(path, encoding="utf-8") as file:
            return file.read()
    except (OSError, UnicodeDecodeError) as error:
        print(f"web_shaders: cannot read {path}: {error}")
        return None


def write_text(path, text):
    try:
        with open(path, encoding="utf-8") as file:
            if file.read() == text:
                return
    except OSError:
        pass
    with open(path, "w", encoding="utf-8") as file:
        file.write(text)


def code_files(paths):
    """The files given, and the .cpp files under the folders given, in a stable order."""
    files = []
    for path in paths:
        if os.path.isdir(path):
            for folder, _, names in sorted(os.walk(path)):
                files += [os.path.join(folder, name) for name in sorted(names) if name.endswith(".cpp")]
        else:
            files.append(path)
    return files


class Checker:
    def __init__(self, scratch):
        self.scratch = scratch
        # scratch copy -> (original file, line of the original's first line, lines its header added)
        self.origins = {}
        self.compiles = 0
        self.ok = True

    def add(self, name, stage, derived, original, first_line, header):
        """Writes a derived shader to the scratch folder for glslangValidator; returns its path."""
        copy = os.path.join(self.scratch, f"{name}.{stage}")
        write_text(copy, derived)
        self.origins[copy] = (original, first_line, header.count("\n"))
        return copy

    def where(self, message):
        """glslangValidator's "copy:line:" as the original's file and line."""
        for copy, (original, first_line, extra_lines) in self.origins.items():
            def moved(match, original=original, first_line=first_line, extra_lines=extra_lines):
                line = int(match.group(1))
                if line > 1:
                    line -= extra_lines
                return f"{original}:{line + first_line - 1}:"
            message = re.sub(re.escape(copy) + r":(\d+):", moved, message)
        return message

    def compile(self, copies, defines, label):
        # glslangValidator takes macros only when linking, so it always links (one stage is fine).
        command = ["glslangValidator", "-l"] + ["-D" + define for define in defines] + copies
        result = subprocess.run(command, capture_output=True, text=True)
        self.compiles += 1
        if result.returncode == 0:
            return
        self.ok = False
        what = " with " + ", ".join(defines) if defines else ""
        print(f"web_shaders: {label}{what} does not compile as GLSL ES 3.00:")
        for line in (result.stdout + result.stderr).splitlines():
            # It also names each file it read, on a line of its own.
            if line.strip() and line.strip() not in copies:
                print("    " + self.where(line))

    def compile_variants(self, copies, sources, label):
        self.compile(copies, [], label)
        for macro in sorted(set(TESTED_MACRO.findall("".join(sources)))):
            self.compile(copies, [macro], label)


def main(arguments):
    if len(arguments) < 2 or arguments[0].startswith("-"):
        print("usage: web_shaders.py OUTPUT_DIR SHADER.glsl... [--sources FILE.cpp|FOLDER...]", file=sys.stderr)
        return 2
    output_dir, shaders = arguments[0], arguments[1:]
    sources = []
    if "--sources" in shaders:
        at = shaders.index("--sources")
        shaders, sources = shaders[:at], code_files(shaders[at + 1:])
    os.makedirs(output_dir, exist_ok=True)

    with tempfile.TemporaryDirectory() as scratch:
        checker = Checker(scratch)
        derived_files = {}  # file name -> (original path, its text, scratch copy)
        for shader in shaders:
            name = os.path.basename(shader)
            source = read_text(shader)
            if source is None:
                checker.ok = False
                continue
            stage = stage_of(name)
            derived = derive(source)
            if stage is None or derived is None:
                why = "the name says neither Vertex nor Fragment" if stage is None else "no '#version 440 core' line"
                print(f"web_shaders: {shader}: {why}")
                checker.ok = False
                continue
            write_text(os.path.join(output_dir, name), derived)
            copy = checker.add(os.path.splitext(name)[0], stage, derived, shader, 1, ES_HEADER)
            derived_files[name] = (shader, source, copy)
            checker.compile_variants([copy], [source], shader)

        # The two stages of one program must also agree with each other.
        for name, (shader, source, copy) in derived_files.items():
            partner = name.replace("Vertex", "Fragment")
            if partner != name and partner in derived_files:
                _, partner_source, partner_copy = derived_files[partner]
                checker.compile_variants([copy, partner_copy], [source, partner_source],
                                         f"{shader} linked with {partner}")

        embedded = 0
        for cpp in sources:
            code = read_text(cpp)
            if code is None:
                checker.ok = False
                continue
            for match in RAW_SHADER.finditer(code):
                variable, source = match.group(1), match.group(2)
                line = code.count("\n", 0, match.start(2)) + 1
                stage = stage_of(variable)
                derived = derive_at_run_time(source)
                if stage is None or derived is None:
                    print(f"web_shaders: {cpp}:{line}: {variable} is not a GLSL 4.40 core vertex or fragment shader")
                    checker.ok = False
                    continue
                copy = checker.add(variable, stage, derived, cpp, line, RUNTIME_HEADER)
                checker.compile_variants([copy], [source], f"{cpp}:{line} ({variable})")
                embedded += 1

    if checker.ok:
        print(f"web_shaders: {len(derived_files)} shaders derived into {output_dir}, {embedded} in the code "
              f"checked; {checker.compiles} compilations by glslangValidator")
    return 0 if checker.ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
