#!/usr/bin/env python3
"""Checks of the release: what a support desk hands out (the tool) and
installs (its reader) must be the exes the sources make, run on a bare
Windows, and be packed with their read-mes.

  pe EXE... --objdump OBJDUMP --version X.Y.Z --source SRC --build BUILD
      each exe imports only DLLs every Windows has, carries no time stamp, no
      path of the build machine and a version resource with the project's
      version and the exe's own file name
  reproducible EXE... --source SRC --toolchain FILE [--define NAME=VALUE...] --work DIR
      a second, independent configure and build of the exes alone from a copy
      of the sources at another path, in another build directory, on another
      day as far as the tools can tell, gives the same bytes
  dist --build BUILD --zip ZIP --exe EXE --reader-zip ZIP --reader-exe EXE
       [--driver DRIVER --bed BED --scenario DIR]
      the dist target packs exactly OrvexEnv.exe and OrvexEnvRead.exe (the
      built bytes) with the taxpayer's readme.txt, and OrvexEnvRead.exe with
      the desk's (CP932, CR LF), and packs the same bytes again; the tool
      unpacked from the taxpayer's zip runs the scenario DIR under Wine, and
      the reader beside it, started with nothing, reads the report the
      scenario expects there and finds nothing to fix
  manifest EXE
      the exe carries an application manifest that asks for no elevation,
      declares Windows 7 to 11 and leaves the ANSI code page alone
  signed --make-dist SCRIPT --readme README --exe EXE --reader-exe EXE
         --work DIR [--driver DRIVER --bed BED --scenario DIR]
      with a throw-away self-signed key, the packing script signs both exes
      of the taxpayer's zip:
      osslsigncode verifies each signature (SHA-256) against that
      certificate, each signed exe is the built one plus the signature, and
      the signed tool runs the scenario DIR under Wine

Without --driver (a machine that cannot run the build's programs) dist and
signed check the zips and the signatures but run nothing.

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


def outcome(problems):
    """The exit code of a check that found problems (each printed), or none
    and cannot run the exes here (said so)."""
    for problem in problems:
        print("FAILED: " + problem)
    if not problems:
        print("not run under Wine: this machine cannot run the build's programs")
    return 1 if problems else 0


def fail(message):
    print("FAILED: " + message, flush=True)
    return 1


def version_string(data, key):
    """A value of the version resource's StringFileInfo (the first one), or
    None: the key, its padding, then the value, in UTF-16."""
    match = re.search(re.escape((key + "\0").encode("utf-16-le")) + b"(?:\0\0)*((?:(?!\0\0)..)*)\0\0", data,
                      re.DOTALL)
    return match.group(1).decode("utf-16-le", "replace") if match else None


def check_pe(args):
    failed = 0
    for exe in args.exe:
        print("== " + exe)
        failed |= check_one_pe(args, exe)
    return failed


def check_one_pe(args, exe):
    problems = []
    dump = subprocess.run([args.objdump, "-p", exe], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
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

    with open(exe, "rb") as f:
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
    name = os.path.basename(exe)
    wanted_strings = {"FileVersion": args.version + ".0", "ProductVersion": args.version + ".0",
                      "OriginalFilename": name, "InternalName": os.path.splitext(name)[0]}
    for key, value in wanted_strings.items():
        found = version_string(data, key)
        print("%s: %s" % (key, found))
        if found != value:
            problems.append("the version resource's %s is %r, not %r" % (key, found, value))

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
    only the exes there, in a build directory of another name, on another
    day as the tools see it (SOURCE_DATE_EPOCH: GCC's __DATE__ and __TIME__)
    and in another time zone: a path, date or time in an exe differs."""
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
                 "-DORVEX_TESTS=OFF"] + ["-D" + define for define in args.define]
    targets = [os.path.splitext(os.path.basename(exe))[0] for exe in args.exe]
    env = dict(os.environ, SOURCE_DATE_EPOCH="86400", TZ="UTC+11")
    for command in (configure, ["cmake", "--build", build, "--target"] + targets + ["-j2"]):
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
        if result.returncode != 0:
            sys.stdout.write(result.stdout.decode("utf-8", "replace"))
            return fail("%s failed" % " ".join(command[:3]))
    failed = 0
    for exe in args.exe:
        again = os.path.join(build, os.path.basename(exe))
        first, second = digest(exe), digest(again)
        print("%s  %s\n%s  %s" % (first, exe, second, again))
        if first != second:
            with open(exe, "rb") as f:
                a = f.read()
            with open(again, "rb") as f:
                b = f.read()
            where = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
            failed = fail("the two builds of %s differ (sizes %d and %d, first difference at byte 0x%x); kept: %s" % (
                os.path.basename(exe), len(a), len(b), where, work))
    if not failed:
        shutil.rmtree(work, ignore_errors=True)
    return failed


def package_problems(zip_path, exes):
    """What is wrong with a package: exactly the built exes and a read-me
    (CP932, CR LF, naming each exe and the result file)."""
    problems = []
    names, package = [os.path.basename(exe) for exe in exes], os.path.basename(zip_path)
    with zipfile.ZipFile(zip_path) as z:
        packed = sorted(z.namelist())
        print("%s: %s" % (zip_path, ", ".join(packed)))
        if packed != sorted(names + ["readme.txt"]):
            return ["%s holds %s, not exactly %s and readme.txt" % (package, packed, ", ".join(names))]
        for name, exe in zip(names, exes):
            with open(exe, "rb") as f:
                if z.read(name) != f.read():
                    problems.append("the packed %s of %s is not the built one" % (name, package))
        readme = z.read("readme.txt")
    try:
        text = readme.decode("cp932")
    except UnicodeDecodeError as e:
        return problems + ["the readme.txt of %s is not CP932: %s" % (package, e)]
    if b"\n" in readme.replace(b"\r\n", b"") or not readme.endswith(b"\r\n"):
        problems.append("the readme.txt of %s does not have CR LF line ends throughout" % package)
    unnamed = [name for name in names + ["OrvexEnv.txt"] if name not in text]
    if unnamed:
        problems.append("the readme.txt of %s does not name %s" % (package, ", ".join(unnamed)))
    return problems


def check_dist(args):
    # The unsigned zips, even where a release manager's signing key is set.
    env = {name: value for name, value in os.environ.items() if not name.startswith("ORVEXENV_SIGN_")}
    result = subprocess.run(["cmake", "--build", args.build, "--target", "dist"], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, env=env)
    if result.returncode != 0:
        sys.stdout.write(result.stdout.decode("utf-8", "replace"))
        return fail("the dist target failed")
    packages = [(args.zip, [args.exe, args.reader_exe]), (args.reader_zip, [args.reader_exe])]
    first = [digest(zip_path) for zip_path, _ in packages]
    problems = [problem for zip_path, exes in packages for problem in package_problems(zip_path, exes)]
    subprocess.run(["cmake", "--build", args.build, "--target", "dist"], stdout=subprocess.DEVNULL, check=True,
                   env=env)
    if [digest(zip_path) for zip_path, _ in packages] != first:
        problems.append("packing again gives other zips")
    if problems or not args.driver:
        return outcome(problems)

    # The taxpayer's zip, as a taxpayer unpacks it: the tool runs a complete
    # machine under Wine, and the reader beside it, started with nothing as a
    # double-click starts it, finds nothing to fix in the report that machine
    # gives there.
    with tempfile.TemporaryDirectory(prefix="orvex-dist-") as unpacked:
        with zipfile.ZipFile(args.zip) as z:
            tool, reader = (z.extract(os.path.basename(exe), unpacked) for exe in (args.exe, args.reader_exe))
        result = subprocess.run([sys.executable, args.driver, "--bed", args.bed, "run", args.scenario,
                                 "--prefix", "win64", "--exe", tool])
        if result.returncode != 0:
            return fail("the packed exe did not run the scenario %s as expected" % args.scenario)
        report = os.path.join(os.path.dirname(reader), "OrvexEnv.txt")
        with open(os.path.join(args.scenario, "expected.txt"), encoding="utf-8") as f:
            text = f.read().replace("{START}", "2025/11/20 09:12:44").replace("{BITNESS}", "64bit(9)")
        with open(report, "wb") as f:
            f.write(text.replace("\n", "\r\n").encode("cp932"))
        result = subprocess.run([sys.executable, args.driver, "--bed", args.bed, "exec", "--prefix", "win64", "--",
                                 reader], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    output = result.stdout.decode("cp932", "replace")  # the test bed's Japanese locale
    sys.stdout.write(output)
    if result.returncode != 0 or "2025/11/20 09:12:44" not in output:
        return fail("the packed reader did not show the report of %s beside it with exit code 0 (exit code %d)" % (
            args.scenario, result.returncode))
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

    env = dict(os.environ, ORVEXENV_SIGN_PKCS12=pkcs12, ORVEXENV_SIGN_PASSWORD=password)
    env.pop("ORVEXENV_SIGN_TIMESTAMP_URL", None)
    # The taxpayer's zip, which holds both exes.
    zip_path, problems, signed = os.path.join(work, "OrvexEnv-signed.zip"), [], {}
    result = subprocess.run([args.make_dist, zip_path, args.readme, args.exe, args.reader_exe], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    sys.stdout.write(result.stdout.decode("utf-8", "replace"))
    if result.returncode != 0:
        return fail("packing a signed zip failed")
    for exe in (args.exe, args.reader_exe):
        name = os.path.basename(exe)
        with zipfile.ZipFile(zip_path) as z:
            signed[name] = z.extract(name, os.path.join(work, "unpacked"))
        problems += signature_problems(exe, signed[name], cert)
    if problems or not args.driver:
        if not problems:
            shutil.rmtree(work, ignore_errors=True)
        return outcome(problems)

    result = subprocess.run([sys.executable, args.driver, "--bed", args.bed, "run", args.scenario,
                             "--prefix", "win64", "--exe", signed["OrvexEnv.exe"]])
    if result.returncode != 0:
        return fail("the signed exe did not run the scenario %s as expected" % args.scenario)
    shutil.rmtree(work, ignore_errors=True)
    return 0


def signature_problems(exe, signed, cert):
    """What is wrong with the signed copy of exe."""
    problems = []
    name = os.path.basename(exe)
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    report = result.stdout.decode("utf-8", "replace")
    sys.stdout.write(report)
    if result.returncode != 0 or "Signature verification: ok" not in report:
        problems.append("osslsigncode does not verify the signature of %s against the throw-away certificate" % name)
    if not re.search(r"Message digest algorithm\s*:\s*SHA256", report):
        problems.append("the signature's digest of %s is not SHA-256" % name)

    # Signing changes only the checksum and the certificate table entry of
    # the header and appends the signature (after padding to 8 bytes).
    with open(exe, "rb") as f:
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
        problems.append("the signed %s differs from the built one in more than checksum and signature" % name)
    if size == 0 or table + size != len(data) or data[len(built):table].strip(b"\0"):
        problems.append("the signature of %s is not the certificate table at the end of the exe" % name)
    return problems


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("pe")
    p.add_argument("exe", nargs="+")
    p.add_argument("--objdump", required=True)
    p.add_argument("--version", required=True)
    p.add_argument("--source", required=True)
    p.add_argument("--build", required=True)
    p = sub.add_parser("reproducible")
    p.add_argument("exe", nargs="+")
    p.add_argument("--source", required=True)
    p.add_argument("--toolchain", required=True)
    p.add_argument("--define", action="append", default=[], help="NAME=VALUE of the first build's cache")
    p.add_argument("--work", required=True)
    p = sub.add_parser("dist")
    p.add_argument("--build", required=True)
    p.add_argument("--zip", required=True)
    p.add_argument("--exe", required=True)
    p.add_argument("--reader-zip", required=True)
    p.add_argument("--reader-exe", required=True)
    # Without these the exes are not run (a machine that cannot run them).
    p.add_argument("--driver")
    p.add_argument("--bed")
    p.add_argument("--scenario")
    p = sub.add_parser("manifest")
    p.add_argument("exe")
    p = sub.add_parser("signed")
    p.add_argument("--make-dist", required=True)
    p.add_argument("--readme", required=True)
    p.add_argument("--exe", required=True)
    p.add_argument("--reader-exe", required=True)
    p.add_argument("--work", required=True)
    # Without these the exes are not run (a machine that cannot run them).
    p.add_argument("--driver")
    p.add_argument("--bed")
    p.add_argument("--scenario")
    args = parser.parse_args(argv)
    return {"pe": check_pe, "reproducible": check_reproducible, "dist": check_dist, "manifest": check_manifest,
            "signed": check_signed}[args.command](args)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
