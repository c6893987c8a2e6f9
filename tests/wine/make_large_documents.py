#!/usr/bin/env python3
"""Writes large Chromium preference documents for timing the extension probe.

Two shapes, both recording the service's extension with state 1 and a
version (and, around it, other extensions):

  sites   a Preferences as a long-used profile has it: a very large map of
          per-site settings (engagement scores, media and zoom exceptions),
          the extension's entry between its halves; about 100 MB by default.
  arrays  a document dense with small arrays (lists of numbers, strings and
          lists); about 50 MB by default.

The content is the same on every run (a fixed seed). Every OUTPUT gets the
same bytes; their directories are created.

  make_large_documents.py sites OUT [OUT ...] [--megabytes N] [--version V]
  make_large_documents.py arrays --local-app-data DIR

--local-app-data DIR writes the four documents of the Default profile
(Chrome's and Edge's Preferences and Secure Preferences) under DIR, a user's
AppData/Local directory.
"""

import argparse
import os
import random
import shutil
import sys

EXTENSION_ID = "lkdmfhaebpjcognbimfealhdpkcogjbn"
DEFAULT_MEGABYTES = {"sites": 100, "arrays": 50}
PROFILE_DOCUMENTS = [
    ("Google", "Chrome", "Preferences"),
    ("Google", "Chrome", "Secure Preferences"),
    ("Microsoft", "Edge", "Preferences"),
    ("Microsoft", "Edge", "Secure Preferences"),
]


def extension_entry(extension_id, state, version):
    return (
        '"%s":{"active_permissions":{"api":["storage","tabs","alarms"],'
        '"explicit_host":["https://*.example/*"],"manifest_permissions":[]},'
        '"commands":{},"content_settings":[],"creation_flags":38,"from_webstore":true,'
        '"granted_permissions":{"api":["storage","tabs","alarms"],"explicit_host":["https://*.example/*"]},'
        '"install_time":"13345678901234567","location":1,'
        '"manifest":{"background":{"service_worker":"sw.js"},"description":"\\u30c6\\u30b9\\u30c8",'
        '"manifest_version":3,"name":"Extension","version":"%s"},'
        '"path":"%s\\\\%s_0","preferences":{},"regular_only_preferences":{},'
        '"state":%d,"was_installed_by_default":false,"withholding_permissions":false}'
        % (extension_id, version, extension_id, version, state)
    )


def extensions_block(version, rng):
    others = []
    for _ in range(6):
        other = "".join(rng.choice("abcdefghijklmnop") for _ in range(32))
        others.append(extension_entry(other, rng.choice([0, 1]), "%d.%d.%d" % (rng.randint(1, 9),
                                                                               rng.randint(0, 99), rng.randint(0, 9999))))
    entries = others[:3] + [extension_entry(EXTENSION_ID, 1, version)] + others[3:]
    return '"extensions":{"alerts":{"initialized":true},"settings":{' + ",".join(entries) + "}}"


def site_name(rng, n):
    words = ["shop", "news", "mail", "bank", "travel", "video", "photo", "docs", "maps", "tax"]
    return "https://%s%d.%s.example:443,*" % (rng.choice(words), n, rng.choice(words))


def sites_entry(rng, n):
    site = site_name(rng, n)
    kind = n % 3
    if kind == 0:
        return ('"%s":{"last_modified":"1334%013d","setting":{"lastEngagementTime":%.13e,'
                '"lastShortcutLaunchTime":0.0,"pointsAddedToday":%.1f,"rawScore":%.14f}}'
                % (site, rng.randrange(10 ** 13), 1.334e16 + rng.random() * 1e13, rng.random() * 15,
                   rng.random() * 100))
    if kind == 1:
        return ('"%s":{"expiration":"0","last_modified":"1334%013d","model":0,"setting":{'
                '"hasHighScore":%s,"lastMediaPlaybackTime":%.13e,"mediaPlaybacks":%d,"visits":%d}}'
                % (site, rng.randrange(10 ** 13), rng.choice(["true", "false"]), 1.334e16 + rng.random() * 1e13,
                   rng.randint(0, 500), rng.randint(1, 5000)))
    return ('"%s":{"last_modified":"1334%013d","setting":{"zoom_level":%.1f,"title":"\\u30b5\\u30a4\\u30c8%d",'
            '"permissions":["notifications","geolocation"],"allowed":%s}}'
            % (site, rng.randrange(10 ** 13), rng.choice([-1.0, 0.0, 1.5, 2.0]), n, rng.choice(["true", "false"])))


def arrays_entry(rng, n):
    return ('"%s":[[%d,%d],[%d,%d,%d],[],[[%d],[%d,%d]],["%s","%s"],[%d.%d,%s,null]]'
            % (site_name(rng, n), rng.randrange(10 ** 16), rng.randint(0, 9), rng.randint(0, 99),
               rng.randint(0, 99), rng.randint(0, 99), rng.randint(0, 9), rng.randint(0, 9), rng.randint(0, 9),
               rng.choice("abcdef"), rng.choice("uvwxyz"), rng.randint(0, 999), rng.randint(0, 99),
               rng.choice(["true", "false"])))


def write_document(path, shape, size, version):
    """Writes about size bytes to path in pieces (never the whole in memory)."""
    rng = random.Random(20240611)
    entry = sites_entry if shape == "sites" else arrays_entry
    written = 0

    with open(path, "w", encoding="ascii", newline="") as out:
        def put(text):
            nonlocal written
            out.write(text)
            written += len(text)

        def site_map(name, until):
            put('"%s":{' % name)
            n = 0
            pieces, pending = [], 0
            while written + pending < until:
                pieces.append(("," if n else "") + entry(rng, n))
                pending += len(pieces[-1])
                n += 1
                if len(pieces) == 1000:
                    put("".join(pieces))
                    pieces, pending = [], 0
            put("".join(pieces) + "}")

        put('{"account_info":[],"browser":{"has_seen_welcome_page":true,"window_placement":{"bottom":1040,'
            '"left":10,"maximized":true,"right":1910,"top":10,"work_area_bottom":1040,"work_area_right":1920}},')
        put('"profile":{"content_settings":{"exceptions":{')
        site_map("site_engagement", size // 2)
        put("}}},")
        put(extensions_block(version, rng) + ",")
        site_map("partition", size - 64)
        put(',"intl":{"accept_languages":"ja,en-US,en"}}')


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("shape", choices=["sites", "arrays"])
    parser.add_argument("outputs", nargs="*", metavar="OUTPUT", help="files to write")
    parser.add_argument("--local-app-data", metavar="DIR", help="write the Default profile's four documents under DIR")
    parser.add_argument("--megabytes", type=float, help="about this size (default: 100 for sites, 50 for arrays)")
    parser.add_argument("--version", default="2.1.0.7", help="the extension's version (default: %(default)s)")
    args = parser.parse_intermixed_args(argv)

    outputs = list(args.outputs)
    if args.local_app_data:
        outputs += [os.path.join(args.local_app_data, vendor, browser, "User Data", "Default", name)
                    for vendor, browser, name in PROFILE_DOCUMENTS]
    if not outputs:
        parser.error("no OUTPUT and no --local-app-data")
    size = int((args.megabytes or DEFAULT_MEGABYTES[args.shape]) * 1024 * 1024)

    for path in outputs:
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    write_document(outputs[0], args.shape, size, args.version)
    for path in outputs[1:]:
        shutil.copyfile(outputs[0], path)
    for path in outputs:
        print("%s: %d bytes" % (path, os.path.getsize(path)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
