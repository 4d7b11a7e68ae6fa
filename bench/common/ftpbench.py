"""What the benchmark drivers share: a throwaway loopback vsftpd, a
self-signed certificate for it, and timing a tool run."""
import os
import shutil
import socket
import subprocess
import tempfile
import time

USER, PASSWORD = "tovrelftp", "tovrel-test-pw"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def make_certificate(work, name="127.0.0.1"):
    """Returns (certificate, key) paths of a new self-signed pair."""
    cert, key = os.path.join(work, "cert.pem"), os.path.join(work, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                    f"/CN={name}", "-keyout", key, "-out", cert], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def tls_settings(cert, key, *extra):
    """vsftpd lines for explicit TLS with protected logins and data."""
    lines = ["ssl_enable=YES", f"rsa_cert_file={cert}", f"rsa_private_key_file={key}",
             "force_local_logins_ssl=YES", "force_local_data_ssl=YES", *extra]
    return "\n".join(lines) + "\n"


def start_vsftpd(root, work, name="plain", extra=""):
    """Starts vsftpd for the test user with `root` as its folder; returns
    (process, port) once it accepts connections. `extra`: more config lines."""
    empty = os.path.join(work, "empty")
    if not os.path.isdir(empty):
        os.mkdir(empty, 0o555)
    port = free_port()
    conf = os.path.join(work, f"vsftpd-{name}.conf")
    with open(conf, "w") as f:
        f.write(f"""listen=YES
listen_ipv6=NO
background=NO
listen_address=127.0.0.1
listen_port={port}
seccomp_sandbox=NO
secure_chroot_dir={empty}
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
local_root={root}
chroot_local_user=YES
allow_writeable_chroot=YES
pasv_enable=YES
port_enable=YES
connect_from_port_20=NO
pam_service_name=vsftpd
xferlog_enable=NO
max_per_ip=50
{extra}""")
    os.chmod(conf, 0o600)
    proc = subprocess.Popen(["/usr/sbin/vsftpd", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return proc, port
        except OSError:
            time.sleep(0.05)
    proc.terminate()
    raise SystemExit("vsftpd did not start")


def measure(cmd, env=None):
    """Runs one command, its output to /dev/null; returns (wall s, CPU s,
    peak RSS KiB) of it and its children. GNU time forks the command from a
    small process: a child forked straight from Python would count Python's
    own resident size as its peak."""
    with tempfile.NamedTemporaryFile("r", prefix="tovrel-time-") as usage:
        with open(os.devnull, "wb") as null:
            start = time.perf_counter()
            rc = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", "-o", usage.name] + cmd,
                                stdout=null, stderr=null, env=env).returncode
            wall = time.perf_counter() - start
        if rc != 0:
            raise SystemExit(f"failed ({rc}): {' '.join(cmd)[:300]}")
        user, system, rss = usage.read().split()[-3:]
    return wall, float(user) + float(system), int(rss)


def wanted(case, only):
    """Whether a row runs: `only` holds substrings of row names; empty: all."""
    return not only or any(c in case for c in only)


def make_fixture(prefix, size_mb, small, small_local=False):
    """A work folder with the server's tree in root/ (big.bin of size_mb MiB,
    small/ with `small` files of 4 KiB, an empty upload/) and local/ with
    up.bin (a copy of big.bin) and, when small_local, the same small/ files.
    Returns (work, root, local)."""
    work = tempfile.mkdtemp(prefix=prefix)
    os.chmod(work, 0o755)  # the FTP user must reach its root below it
    root, local = os.path.join(work, "root"), os.path.join(work, "local")
    folders = [os.path.join(root, "small"), os.path.join(root, "upload"), local]
    if small_local:
        folders.append(os.path.join(local, "small"))
    for folder in folders:
        os.makedirs(folder, exist_ok=True)
    big = os.path.join(root, "big.bin")
    with open(big, "wb") as f:
        chunk = os.urandom(1 << 20)
        for _ in range(size_mb):
            f.write(chunk)
    for i in range(small):
        data = os.urandom(4096)
        for folder in folders[0:1] + folders[3:]:
            with open(os.path.join(folder, f"f{i:04}.bin"), "wb") as f:
                f.write(data)
    shutil.copy(big, os.path.join(local, "up.bin"))
    subprocess.run(["chown", "-R", USER, root], check=True)
    return work, root, local
