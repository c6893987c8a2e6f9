#!/usr/bin/env python3
"""Checks of the release: what a support desk hands out must be the exe the
sources make, run on a bare Windows, and be packed with its read-me.

  pe EXE --objdump OBJDUMP --version X.Y.Z --source SRC --build BUILD
      the exe imports only DLLs every Windows has, carries no time stamp, no
      path of the build machine and a version resource with the project's
      version
  reproducible EXE --source SRC --toolchain FILE --work DIR
      a second, independent configure and build of the exe from a copy of the
      sources at another path, in another build directory, gives the same bytes
  dist --build BUILD --zip ZIP --exe EXE --driver DRIVER --bed BED --scenario DIR
      the dist target packs exactly OrvexEnv.exe (the built bytes) and
      readme.txt (CP932, CR LF), packs the same bytes again, and the packed
      exe runs the scenario DIR under Wine

Python 3 standard library only.
"""

import argparse
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

# DLLs that come with every Windows the tool supports. The C++ runtime,
# libgcc and winpthread must be linked in, never imported.
SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll",
               "shlwapi.dll", "user32.dll", "ntdll.dll"}

# What a reproducible build needs of the sources (no tests: ORVEX_TESTS=OFF).
SOURCE_PARTS = ["CMakeLists.txt", "cmake", "src", "scripts", "docs"]


def fail(message):
    print("FAILED: " + message, flush=True)
    return 1


def check_pe(args):
    problems = []
    dump = subprocess.run([args.objdump, "-p", args.exe], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          check=True).stdout.decode("utf-8", "replace")
    if not re.search(r"file format pei-i386", dump):
        problems.append("not a 32-bit Windows executable")
    dlls = re.findall(r"DLL Name: (\S+)", dump)
    print("imports: " + ", ".join(dlls))
    if not dlls:
        problems.append("no imports found in objdump's output")
    others = [dll for dll in dlls if dll.lower() not in SYSTEM_DLLS]
    if others:
        problems.append("imports DLLs a bare Windows does not have: " + ", ".join(others))
    stamp = re.search(r"Time/Date\s+(.*)", dump)
    if not stamp or "1970" not in stamp.group(1):
        problems.append("the PE header carries a time stamp: %s" % (stamp.group(1) if stamp else "?"))
    if not re.search(r"Entry: ID: 0x000010,", dump):
        problems.append("no version resource (RT_VERSION) in the resource directory")

    with open(args.exe, "rb") as f:
        data = f.read()
    # VS_FIXEDFILEINFO: signature, structure version, file version MS/LS, product version MS/LS.
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    wanted = [int(x) for x in args.version.split(".")] + [0] * (4 - len(args.version.split(".")))
    if at < 0:
        problems.append("no VS_FIXEDFILEINFO in the exe")
    else:
        _, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", data, at)
        for what, ms, ls in (("file", file_ms, file_ls), ("product", product_ms, product_ls)):
            version = [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
            print("%s version: %s" % (what, ".".join(map(str, version))))
            if version != wanted:
                problems.append("%s version %s, the project's is %s" % (what, version, wanted))
    for name in ("FileVersion", "ProductVersion", "OriginalFilename"):
        if (name + "\0").encode("utf-16-le") not in data:
            problems.append("the version resource has no %s string" % name)
    if "OrvexEnv.exe".encode("utf-16-le") not in data:
        problems.append("the version resource does not name OrvexEnv.exe")

    # Paths of the build machine: the source and build directories, the
    # user's home, the compiler's own directories.
    for path in {os.path.abspath(args.source), os.path.abspath(args.build), os.path.expanduser("~"), "/usr/lib/gcc",
                 "/usr/share/mingw-w64", "/usr/i686-w64-mingw32", "/build/"}:
        for form in {path, path.replace("/", "\\")}:
            if len(form) > 1 and form.encode() in data:
                problems.append("the exe holds the build machine's path %s" % form)
    for problem in problems:
        print("FAILED: " + problem)
    return 1 if problems else 0


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def check_reproducible(args):
    """Copies the sources to another path (another length too) and builds
    only the exe there, in a build directory of another name."""
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    source = os.path.join(work, "another-checkout", "orvex-env-src")
    build = os.path.join(work, "b")
    os.makedirs(source)
    for part in SOURCE_PARTS:
        origin = os.path.join(args.source, part)
        os.makedirs(os.path.dirname(os.path.join(source, part)), exist_ok=True)
        if os.path.isdir(origin):
            shutil.copytree(origin, os.path.join(source, part))
        else:
            shutil.copy2(origin, os.path.join(source, part))
    configure = ["cmake", "-S", source, "-B", build, "-G", "Unix Makefiles", "-DCMAKE_BUILD_TYPE=Release",
                 "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(source, "cmake", os.path.basename(args.toolchain)),
                 "-DORVEX_TESTS=OFF"]
    for command in (configure, ["cmake", "--build", build, "--target", "OrvexEnv", "-j2"]):
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if result.returncode != 0:
            sys.stdout.write(result.stdout.decode("utf-8", "replace"))
            return fail("%s failed" % " ".join(command[:3]))
    again = os.path.join(build, "OrvexEnv.exe")
    first, second = digest(args.exe), digest(again)
    print("%s  %s\n%s  %s" % (first, args.exe, second, again))
    if first != second:
        with open(args.exe, "rb") as f:
            a = f.read()
        with open(again, "rb") as f:
            b = f.read()
        where = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
        return fail("the two builds differ (sizes %d and %d, first difference at byte 0x%x); kept: %s" % (
            len(a), len(b), where, work))
    shutil.rmtree(work, ignore_errors=True)
    return 0


def check_dist(args):
    problems = []
    result = subprocess.run(["cmake", "--build", args.build, "--target", "dist"], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    if result.returncode != 0:
        sys.stdout.write(result.stdout.decode("utf-8", "replace"))
        return fail("the dist target failed")
    first = digest(args.zip)
    with zipfile.ZipFile(args.zip) as z:
        names = sorted(z.namelist())
        print("%s: %s" % (args.zip, ", ".join(names)))
        if names != ["OrvexEnv.exe", "readme.txt"]:
            problems.append("the zip holds %s, not exactly OrvexEnv.exe and readme.txt" % names)
        if "OrvexEnv.exe" in names:
            with open(args.exe, "rb") as f:
                if z.read("OrvexEnv.exe") != f.read():
                    problems.append("the packed OrvexEnv.exe is not the built one")
        if "readme.txt" in names:
            readme = z.read("readme.txt")
            try:
                text = readme.decode("cp932")
            except UnicodeDecodeError as e:
                problems.append("readme.txt is not CP932: %s" % e)
                text = ""
            if b"\n" in readme.replace(b"\r\n", b"") or not readme.endswith(b"\r\n"):
                problems.append("readme.txt does not have CR LF line ends throughout")
            if "OrvexEnv.exe" not in text or "OrvexEnv.txt" not in text:
                problems.append("readme.txt does not tell how to run the tool and where its result goes")
    subprocess.run(["cmake", "--build", args.build, "--target", "dist"], stdout=subprocess.DEVNULL, check=True)
    if digest(args.zip) != first:
        problems.append("packing again gives another zip")
    if problems:
        for problem in problems:
            print("FAILED: " + problem)
        return 1

    # The packed exe, as a user unpacks it, runs a complete machine under Wine.
    with tempfile.TemporaryDirectory(prefix="orvex-dist-") as unpacked:
        with zipfile.ZipFile(args.zip) as z:
            z.extractall(unpacked)
        result = subprocess.run([sys.executable, args.driver, "--bed", args.bed, "run", args.scenario,
                                 "--prefix", "win64", "--exe", os.path.join(unpacked, "OrvexEnv.exe")])
    if result.returncode != 0:
        return fail("the packed exe did not run the scenario %s as expected" % args.scenario)
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("pe")
    p.add_argument("exe")
    p.add_argument("--objdump", required=True)
    p.add_argument("--version", required=True)
    p.add_argument("--source", required=True)
    p.add_argument("--build", required=True)
    p = sub.add_parser("reproducible")
    p.add_argument("exe")
    p.add_argument("--source", required=True)
    p.add_argument("--toolchain", required=True)
    p.add_argument("--work", required=True)
    p = sub.add_parser("dist")
    p.add_argument("--build", required=True)
    p.add_argument("--zip", required=True)
    p.add_argument("--exe", required=True)
    p.add_argument("--driver", required=True)
    p.add_argument("--bed", required=True)
    p.add_argument("--scenario", required=True)
    args = parser.parse_args(argv)
    return {"pe": check_pe, "reproducible": check_reproducible, "dist": check_dist}[args.command](args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
