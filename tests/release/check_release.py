#!/usr/bin/env python3
"""Checks scripts/release: two runs give the same zip; the zip holds
vespera.exe (the build's, with the project's version in its version record),
the guide in UTF-8 with a BOM and CRLF, and SHA256SUMS that match; with a
throwaway self-signed certificate a signed copy is zipped, `osslsigncode
verify` accepts it and refuses it once one byte of it changes, and the
build's exe stays unsigned; the release stops when the signature does not
verify against the CA given. A key that is not RSA is refused; the
intermediate of VESPERA_SIGN_CA or VESPERA_SIGN_CHAIN travels in the
signature, the root does not. With a throwaway RSA key on a SoftHSM2 token
(its own configuration in a temporary folder), two signed runs give the same
zip, the signature verifies, the PIN never shows, and the missing time stamp
is warned about. Prints one line per check and "N passed, M failed".

    python3 tests/release/check_release.py
"""
import datetime
import hashlib
import os
import re
import secrets
import shutil
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


def release(dist, env=None, output=False):
    """The zip of one run (and the run's output); the check ends if it fails."""
    run = release_run(dist, env)
    if run.returncode != 0:
        sys.exit(f"scripts/release failed:\n{run.stdout}{run.stderr}")
    zipped = next(Path(dist).glob("vespera-*-win32.zip"))
    return (zipped, run.stdout + run.stderr) if output else zipped


def release_run(dist, env=None):
    return subprocess.run([sys.executable, str(REPO / "scripts" / "release"), "--dist", str(dist)],
                          capture_output=True, text=True, env=env)


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
        key_and_chain(tmp)
        token_signing(tmp)
    print(f"{sum(results)} passed, {len(results) - sum(results)} failed")
    return 0 if all(results) else 1


def signed(exe):
    """True when the PE file has a certificate table."""
    data = exe.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    directories = pe + 24 + (96 if magic == 0x10B else 112)
    return struct.unpack_from("<II", data, directories + 4 * 8)[1] != 0


def certificate(folder, name, key=("rsa:2048",), issuer=None, ca=False):
    """A throwaway certificate "Vespera <name>" and its key, files in folder:
    self-signed, or issued by issuer (a pair made before); a code signer's
    unless ca."""
    cert, key_file = folder / f"{name}.pem", folder / f"{name}-key.pem"
    by = ["-CA", issuer[0], "-CAkey", issuer[1]] if issuer else []
    signer = [] if ca else ["-addext", "extendedKeyUsage=codeSigning",
                            "-addext", "keyUsage=digitalSignature"]
    subprocess.run(["openssl", "req", "-x509", "-newkey", *key, "-nodes", "-days", "2",
                    "-subj", f"/CN=Vespera {name}", "-keyout", key_file, "-out", cert,
                    *by, *signer], check=True, capture_output=True)
    return cert, key_file


def signing_env(cert, key, **more):
    """The environment of a signed run: this certificate and key, the
    settings in more, none of the caller's own VESPERA_SIGN_ settings."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("VESPERA_SIGN_")}
    return dict(env, VESPERA_SIGN_CERT=str(cert), VESPERA_SIGN_KEY=str(key), **more)


def zipped_exe(zipped, exe):
    """exe written with the zip's vespera.exe; the zip's members by name."""
    files = dict((n, d) for n, d, _ in members(zipped))
    exe.write_bytes(files["vespera.exe"])
    return files


def signing(tmp, built):
    before = hashlib.sha256(built.read_bytes()).hexdigest()
    cert, key = certificate(tmp, "throwaway signer")
    env = signing_env(cert, key, VESPERA_SIGN_CA=str(cert))
    zipped, out = release(tmp / "signed", env, output=True)
    check("the release checks the chain against the CA given", "chain checked" in out, out)
    exe = tmp / "vespera.exe"
    files = zipped_exe(zipped, exe)
    check("the zipped exe is signed", signed(exe))
    check("the build's exe stays as it was",
          hashlib.sha256(built.read_bytes()).hexdigest() == before and not signed(built))
    check("SHA256SUMS names the signed exe",
          f"{hashlib.sha256(exe.read_bytes()).hexdigest()}  vespera.exe"
          in files["SHA256SUMS"].decode())

    rc, out, digests = verify(exe, cert)
    check("osslsigncode verify accepts the signature (SHA-256, digest of the file)",
          rc == 0 and "Signature verification: ok" in out and "Message digest algorithm  : SHA256" in out
          and len(digests) == 2 and digests[0][1] == digests[1][1], out[-1500:])
    # One byte of the program's code changed: the signature no longer covers the file.
    tampered = bytearray(exe.read_bytes())
    tampered[0x600] ^= 0xFF
    bad = tmp / "tampered.exe"
    bad.write_bytes(bytes(tampered))
    rc, out, digests = verify(bad, cert)
    check("osslsigncode verify refuses the file once one byte changes",
          rc != 0 and len(digests) == 2 and digests[0][1] != digests[1][1], out[-1500:])

    # A CA that did not issue the certificate: the release must stop.
    other, _ = certificate(tmp, "other CA", ca=True)
    run = release_run(tmp / "wrong-ca", dict(env, VESPERA_SIGN_CA=str(other)))
    check("the release stops when the chain does not verify against the CA given",
          run.returncode != 0 and not list((tmp / "wrong-ca").glob("*.zip")),
          run.stdout + run.stderr)


def key_and_chain(tmp):
    """Smart App Control's rules: an RSA key, and a chain Windows can build
    from the signature alone."""
    ec = certificate(tmp, "EC signer", key=("ec", "-pkeyopt", "ec_paramgen_curve:P-256"))
    run = release_run(tmp / "ec", signing_env(*ec))
    out = run.stdout + run.stderr
    check("an EC key is refused, with the reason, and nothing is zipped",
          run.returncode != 0 and "not RSA" in out and "Smart App Control" in out
          and not list((tmp / "ec").glob("*.zip")), out[-1500:])

    root = certificate(tmp, "root", ca=True)
    middle = certificate(tmp, "intermediate", issuer=root, ca=True)
    cert, key = certificate(tmp, "chained signer", issuer=middle)
    bundle = tmp / "root+intermediate.pem"
    bundle.write_text(root[0].read_text() + middle[0].read_text())
    for how, more in [("VESPERA_SIGN_CA", {"VESPERA_SIGN_CA": str(bundle)}),
                      ("VESPERA_SIGN_CHAIN", {"VESPERA_SIGN_CA": str(root[0]),
                                              "VESPERA_SIGN_CHAIN": str(middle[0])})]:
        exe, sig = tmp / f"{how}.exe", tmp / f"{how}.p7"
        run = release_run(tmp / how, signing_env(cert, key, **more))
        certs = run.stdout + run.stderr  # the certificates read back, else why not
        if run.returncode == 0:
            zipped_exe(next((tmp / how).glob("*.zip")), exe)
            subprocess.run(["osslsigncode", "extract-signature", "-in", exe, "-out", sig],
                           check=True, capture_output=True)
            certs = subprocess.run(["openssl", "pkcs7", "-inform", "DER", "-in", sig,
                                    "-print_certs", "-noout"], capture_output=True, text=True).stdout
        carried = sorted(re.findall(r"^subject=CN = (.+)$", certs, re.M))
        check(f"with {how} the signature carries the signer and the intermediate, no root",
              carried == ["Vespera chained signer", "Vespera intermediate"], certs)


def verify(path, ca):
    run = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", ca],
                         capture_output=True, text=True)
    out = run.stdout + run.stderr
    digests = re.findall(r"(Current|Calculated) message digest\s*:\s*([0-9A-F]+)", out)
    return run.returncode, out, digests


def softhsm_module():
    for path in ["/usr/lib/softhsm/libsofthsm2.so",
                 "/usr/lib/x86_64-linux-gnu/softhsm/libsofthsm2.so"]:
        if Path(path).exists():
            return path
    return None


def token_signing(tmp):
    """Signing with an RSA key held on a throwaway SoftHSM2 token."""
    module = softhsm_module()
    if not module or not shutil.which("softhsm2-util"):
        check("SoftHSM2 is installed (scripts/setup)", False, "softhsm2 missing")
        return
    hsm = tmp / "hsm"
    (hsm / "tokens").mkdir(parents=True)
    conf = hsm / "softhsm2.conf"
    conf.write_text(f"directories.tokendir = {hsm / 'tokens'}\nobjectstore.backend = file\n")
    pin, pin_file = secrets.token_hex(8), hsm / "pin"
    pin_file.write_text(pin)
    cert, key = certificate(hsm, "token signer")
    env = signing_env(cert, "pkcs11:token=vespera-check;object=signer;type=private",
                      SOFTHSM2_CONF=str(conf), VESPERA_SIGN_PKCS11_MODULE=module,
                      VESPERA_SIGN_PASSWORD_FILE=str(pin_file))
    env.pop("SOURCE_DATE_EPOCH", None)
    util = ["softhsm2-util", "--pin", pin]
    subprocess.run(util + ["--init-token", "--free", "--label", "vespera-check",
                           "--so-pin", secrets.token_hex(8)],
                   env=env, check=True, capture_output=True)
    subprocess.run(util + ["--import", key, "--token", "vespera-check", "--label", "signer",
                           "--id", "01"], env=env, check=True, capture_output=True)
    key.unlink()  # from here on the key exists only on the token
    (first, out), second = release(tmp / "token-a", env, output=True), release(tmp / "token-b", env)
    exe = tmp / "token.exe"
    zipped_exe(first, exe)
    rc, verified, _ = verify(exe, cert)
    check("a key on a PKCS#11 token signs the exe, and osslsigncode verify accepts it",
          signed(exe) and rc == 0 and "Signature verification: ok" in verified, verified[-1500:])
    check("two runs signed on the token give the same zip", first.read_bytes() == second.read_bytes())
    commit = int(subprocess.run(["git", "-C", str(REPO), "log", "-1", "--format=%ct"],
                                capture_output=True, text=True).stdout.strip())
    when = re.search(r"Signing time: (\w+) +(\d+) (\d+:\d+:\d+) (\d+) GMT", verified)
    stamp = when and datetime.datetime.strptime(" ".join(when.groups()), "%b %d %H:%M:%S %Y")
    check("the signing time is the last commit's",
          stamp and stamp.replace(tzinfo=datetime.timezone.utc).timestamp() == commit,
          f"{when and when.group(0)} against {commit}")
    check("without a time stamp the release warns that the signature expires with the certificate",
          "expire with the certificate" in out, out)
    check("without a CA the release verifies offline and says the chain was not checked",
          "covers the file" in out and "names the certificate given" in out
          and "chain was not checked" in out, out)
    check("the PIN never shows in the release's output", pin not in out)


if __name__ == "__main__":
    sys.exit(main())
