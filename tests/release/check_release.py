#!/usr/bin/env python3
"""Checks scripts/release: two runs give the same zip; the zip holds
vespera.exe (the build's, with the project's version in its version record),
the guide in UTF-8 with a BOM and CRLF, and SHA256SUMS that match; with a
throwaway self-signed certificate a signed copy is zipped, `osslsigncode
verify` accepts it and refuses it once one byte of it changes, and the
build's exe stays unsigned. Prints one line per check and "N passed, M failed".

    python3 tests/release/check_release.py
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
NAMES = ["vespera.exe", "使用说明.txt", "SHA256SUMS"]
results = []


def check(what, ok, detail=""):
    results.append(bool(ok))
    print(f"{'ok  ' if ok else 'FAIL'} {what}" + ("" if ok else f": {detail}"), flush=True)


def release(dist, env=None):
    run = subprocess.run([sys.executable, str(REPO / "scripts" / "release"), "--dist", str(dist)],
                         capture_output=True, text=True, env=env)
    if run.returncode != 0:
        sys.exit(f"scripts/release failed:\n{run.stdout}{run.stderr}")
    return next(Path(dist).glob("vespera-*-win32.zip"))


def members(path):
    """(name, data) in the zip's order; a name from its Unicode path field."""
    out = []
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            name, extra = info.filename, info.extra
            while len(extra) >= 4:
                tag, size = struct.unpack("<HH", extra[:4])
                if tag == 0x7075:
                    name = extra[9:4 + size].decode("utf-8")
                extra = extra[4 + size:]
            out.append((name, z.read(info), info))
    return out


def version_texts(exe):
    """The FileVersion and ProductVersion strings of the version record."""
    data = exe.read_bytes()
    found = {}
    for key in ["FileVersion", "ProductVersion"]:
        m = re.search(re.escape(key.encode("utf-16-le")) + rb"(?:\0\0)+((?:[^\0].)+)\0\0", data, re.S)
        found[key] = m.group(1).decode("utf-16-le") if m else None
    return found


def main():
    cmake = (REPO / "CMakeLists.txt").read_text()
    version = re.search(r"project\(\s*\w+\s+VERSION\s+(\d+)\.(\d+)\.(\d+)", cmake)
    major, minor, patch = (int(x) for x in version.groups())
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        first, second = release(tmp / "a"), release(tmp / "b")
        check("the zip is named by the project version",
              first.name == f"vespera-{major}.{minor}.{patch}-win32.zip", first.name)
        check("two runs give the same zip", first.read_bytes() == second.read_bytes())

        files = members(first)
        check("the zip holds the exe, the guide and the sums in that order",
              [n for n, _, _ in files] == NAMES, [n for n, _, _ in files])
        data = {n: d for n, d, _ in files}
        built = REPO / "build" / "release" / "vespera.exe"
        check("vespera.exe is the build's, unsigned", data.get("vespera.exe") == built.read_bytes()
              and not signed(built))
        texts = version_texts(built)
        want = f"{major}.{minor:02d}.{patch:04d}"
        check("the version record carries the project version",
              texts == {"FileVersion": want, "ProductVersion": want}, texts)
        guide = data.get("使用说明.txt", b"")
        check("the guide is UTF-8 with a BOM and CRLF line ends",
              guide.startswith(b"\xef\xbb\xbf") and b"\r\n" in guide
              and guide.count(b"\n") == guide.count(b"\r\n") and guide.decode("utf-8"))
        sums = data.get("SHA256SUMS", b"").decode("utf-8").splitlines()
        check("SHA256SUMS matches the files", sums == [
            f"{hashlib.sha256(data[n]).hexdigest()}  {n}" for n in NAMES[:2]], sums)
        check("fixed time stamps", len({i.date_time for _, _, i in files}) == 1)

        signing(tmp, built)
    print(f"{sum(results)} passed, {len(results) - sum(results)} failed")
    return 0 if all(results) else 1


def signed(exe):
    """True when the PE file has a certificate table."""
    data = exe.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    directories = pe + 24 + (96 if magic == 0x10B else 112)
    return struct.unpack_from("<II", data, directories + 4 * 8)[1] != 0


def signing(tmp, built):
    before = hashlib.sha256(built.read_bytes()).hexdigest()
    cert, key = tmp / "cert.pem", tmp / "key.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Vespera throwaway signer", "-keyout", key, "-out", cert,
                    "-addext", "extendedKeyUsage=codeSigning",
                    "-addext", "keyUsage=digitalSignature"], check=True, capture_output=True)
    env = dict(os.environ, VESPERA_SIGN_CERT=str(cert), VESPERA_SIGN_KEY=str(key))
    env.pop("VESPERA_SIGN_TIMESTAMP", None)
    files = dict((n, d) for n, d, _ in members(release(tmp / "signed", env)))
    exe = tmp / "vespera.exe"
    exe.write_bytes(files["vespera.exe"])
    check("the zipped exe is signed", signed(exe))
    check("the build's exe stays as it was",
          hashlib.sha256(built.read_bytes()).hexdigest() == before and not signed(built))
    check("SHA256SUMS names the signed exe",
          f"{hashlib.sha256(exe.read_bytes()).hexdigest()}  vespera.exe"
          in files["SHA256SUMS"].decode())

    def verify(path):
        run = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", cert],
                             capture_output=True, text=True)
        out = run.stdout + run.stderr
        digests = re.findall(r"(Current|Calculated) message digest\s*:\s*([0-9A-F]+)", out)
        return run.returncode, out, digests

    rc, out, digests = verify(exe)
    check("osslsigncode verify accepts the signature (SHA-256, digest of the file)",
          rc == 0 and "Signature verification: ok" in out and "Message digest algorithm  : SHA256" in out
          and len(digests) == 2 and digests[0][1] == digests[1][1], out[-1500:])
    # One byte of the program's code changed: the signature no longer covers the file.
    tampered = bytearray(exe.read_bytes())
    tampered[0x600] ^= 0xFF
    bad = tmp / "tampered.exe"
    bad.write_bytes(bytes(tampered))
    rc, out, digests = verify(bad)
    check("osslsigncode verify refuses the file once one byte changes",
          rc != 0 and len(digests) == 2 and digests[0][1] != digests[1][1], out[-1500:])


if __name__ == "__main__":
    sys.exit(main())
