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
  manifest EXE
      the exe carries an application manifest that asks for no elevation,
      declares Windows 7 to 11 and leaves the ANSI code page alone
  signed --make-dist SCRIPT --readme README --exe EXE --work DIR --driver DRIVER --bed BED --scenario DIR
      with a throw-away self-signed key, the packing script signs the exe:
      osslsigncode verifies the signature (SHA-256) against that certificate,
      the signed exe is the built one plus the signature, and it runs the
      scenario DIR under Wine

Python 3 standard library only (and openssl and osslsigncode for signed).
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
import xml.etree.ElementTree as ElementTree
import zipfile

# DLLs that come with every Windows the tool supports. The C++ runtime,
# libgcc and winpthread must be linked in, never imported.
SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll",
               "shlwapi.dll", "user32.dll", "ntdll.dll"}

# What a reproducible build needs of the sources (no tests: ORVEX_TESTS=OFF).
SOURCE_PARTS = ["CMakeLists.txt", "cmake", "src", "third_party", "scripts", "docs"]


# The Windows versions the manifest declares, so that none of them applies a
# compatibility shim. Windows 11 has no identifier of its own: it is 10's.
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
RT_MANIFEST = 24
IMAGE_DIRECTORY_ENTRY_RESOURCE = 2
IMAGE_DIRECTORY_ENTRY_SECURITY = 4


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
    # The unsigned zip, even where a release manager's signing key is set.
    env = {name: value for name, value in os.environ.items() if not name.startswith("ORVEXENV_SIGN_")}
    result = subprocess.run(["cmake", "--build", args.build, "--target", "dist"], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, env=env)
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
    subprocess.run(["cmake", "--build", args.build, "--target", "dist"], stdout=subprocess.DEVNULL, check=True,
                   env=env)
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


class PeFile:
    """Just enough of a PE file: its sections, data directories and resources."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        self.optional = pe + 24
        magic = struct.unpack_from("<H", data, self.optional)[0]
        self.directories = self.optional + {0x10B: 96, 0x20B: 112}[magic]
        self.sections = []
        for at in range(self.optional + optional_size, self.optional + optional_size + 40 * sections, 40):
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<4I", data, at + 8)
            self.sections.append((rva, max(virtual_size, raw_size), raw_offset))

    def directory(self, index):
        """(RVA or file offset, size) of a data directory, and where that entry is."""
        at = self.directories + 8 * index
        return struct.unpack_from("<2I", self.data, at) + (at,)

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("RVA 0x%x lies in no section" % rva)

    def resource_entries(self, directory):
        """(id, offset of what it names) of each entry of a resource directory."""
        base = self.offset(self.directory(IMAGE_DIRECTORY_ENTRY_RESOURCE)[0])
        names, ids = struct.unpack_from("<12x2H", self.data, base + directory)
        for at in range(base + directory + 16, base + directory + 16 + 8 * (names + ids), 8):
            name, target = struct.unpack_from("<2I", self.data, at)
            yield name, target & 0x7FFFFFFF

    def resources(self, kind):
        """{id: data} of every resource of type kind (first language of each)."""
        if self.directory(IMAGE_DIRECTORY_ENTRY_RESOURCE)[1] == 0:
            return {}
        base = self.offset(self.directory(IMAGE_DIRECTORY_ENTRY_RESOURCE)[0])
        found = {}
        for type_id, names in self.resource_entries(0):
            if type_id != kind:
                continue
            for name, languages in self.resource_entries(names):
                _, leaf = next(self.resource_entries(languages))
                rva, size = struct.unpack_from("<2I", self.data, base + leaf)
                found[name] = self.data[self.offset(rva):self.offset(rva) + size]
        return found


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


def check_manifest(args):
    with open(args.exe, "rb") as f:
        manifests = PeFile(f.read()).resources(RT_MANIFEST)
    if list(manifests) != [1]:
        return fail("wanted one manifest resource (RT_MANIFEST, id 1), found ids %s" % sorted(manifests))
    text = manifests[1]
    sys.stdout.write(text.decode("utf-8", "replace"))
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as e:
        return fail("the manifest is not well-formed XML: %s" % e)
    problems = []
    asm_v1, asm_v3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
    compatibility = "{urn:schemas-microsoft-com:compatibility.v1}"
    if root.tag != asm_v1 + "assembly" or root.get("manifestVersion") != "1.0":
        problems.append("the root is not an assembly of manifest version 1.0")
    levels = root.findall("%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel" % (
        asm_v3, asm_v3, asm_v3, asm_v3))
    if [(e.get("level"), e.get("uiAccess")) for e in levels] != [("asInvoker", "false")]:
        problems.append("the execution level is not exactly asInvoker without UI access: %s" % [
            e.attrib for e in levels])
    declared = {e.get("Id", "").lower() for e in root.findall(
        "%scompatibility/%sapplication/%ssupportedOS" % (compatibility, compatibility, compatibility))}
    for guid, windows in SUPPORTED_OS.items():
        if guid not in declared:
            problems.append("%s is not declared as supported (supportedOS %s)" % (windows, guid))
    # The tool's texts are in the ANSI code page: nothing may switch the process to another one.
    for element in root.iter():
        if local_name(element.tag) == "activeCodePage":
            problems.append("the manifest sets the code page: activeCodePage %s" % element.text)
    for problem in problems:
        print("FAILED: " + problem)
    return 1 if problems else 0


def check_signed(args):
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    key, cert, pkcs12 = (os.path.join(work, name) for name in ("key.pem", "cert.pem", "key.p12"))
    password = "throw-away-%d" % os.getpid()
    for command in (
            ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-sha256", "-nodes", "-days", "2", "-keyout", key,
             "-out", cert, "-subj", "/CN=OrvexEnv throw-away test signer",
             "-addext", "keyUsage=critical,digitalSignature", "-addext", "extendedKeyUsage=codeSigning"],
            ["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pkcs12,
             "-passout", "pass:" + password]):
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if result.returncode != 0:
            sys.stdout.write(result.stdout.decode("utf-8", "replace"))
            return fail("%s failed" % " ".join(command[:3]))

    zip_path = os.path.join(work, "OrvexEnv-signed.zip")
    env = dict(os.environ, ORVEXENV_SIGN_PKCS12=pkcs12, ORVEXENV_SIGN_PASSWORD=password)
    env.pop("ORVEXENV_SIGN_TIMESTAMP_URL", None)
    result = subprocess.run([args.make_dist, args.exe, args.readme, zip_path], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    sys.stdout.write(result.stdout.decode("utf-8", "replace"))
    if result.returncode != 0:
        return fail("packing a signed zip failed")
    unpacked = os.path.join(work, "unpacked")
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(unpacked)
    signed = os.path.join(unpacked, "OrvexEnv.exe")

    problems = []
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    report = result.stdout.decode("utf-8", "replace")
    sys.stdout.write(report)
    if result.returncode != 0 or "Signature verification: ok" not in report:
        problems.append("osslsigncode does not verify the signature against the throw-away certificate")
    if not re.search(r"Message digest algorithm\s*:\s*SHA256", report):
        problems.append("the signature's digest is not SHA-256")

    # Signing changes only the checksum and the certificate table entry of
    # the header and appends the signature (after padding to 8 bytes).
    with open(args.exe, "rb") as f:
        built = f.read()
    with open(signed, "rb") as f:
        data = f.read()
    pe = PeFile(data)
    table, size, entry = pe.directory(IMAGE_DIRECTORY_ENTRY_SECURITY)
    checksum = pe.optional + 64
    masked = bytearray(data[:len(built)])
    masked[checksum:checksum + 4] = built[checksum:checksum + 4]
    masked[entry:entry + 8] = built[entry:entry + 8]
    if bytes(masked) != built:
        problems.append("the signed exe differs from the built one in more than checksum and signature")
    if size == 0 or table + size != len(data) or data[len(built):table].strip(b"\0"):
        problems.append("the signature is not the certificate table at the end of the exe")
    if problems:
        for problem in problems:
            print("FAILED: " + problem)
        return 1

    result = subprocess.run([sys.executable, args.driver, "--bed", args.bed, "run", args.scenario,
                             "--prefix", "win64", "--exe", signed])
    if result.returncode != 0:
        return fail("the signed exe did not run the scenario %s as expected" % args.scenario)
    shutil.rmtree(work, ignore_errors=True)
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
    p = sub.add_parser("manifest")
    p.add_argument("exe")
    p = sub.add_parser("signed")
    p.add_argument("--make-dist", required=True)
    p.add_argument("--readme", required=True)
    p.add_argument("--exe", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--driver", required=True)
    p.add_argument("--bed", required=True)
    p.add_argument("--scenario", required=True)
    args = parser.parse_args(argv)
    return {"pe": check_pe, "reproducible": check_reproducible, "dist": check_dist, "manifest": check_manifest,
            "signed": check_signed}[args.command](args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
