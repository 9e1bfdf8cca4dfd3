"""The real aquarium-serve against refused command lines, hostile requests and clients, and
signals: every refusal leaves the run going and the other clients served.
Arguments: aquarium-serve, aquarium-batch."""

import base64
import os
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest

import h5py

from navigateur import Serveur

SERVE, BATCH = sys.argv.pop(1), sys.argv.pop(1)


def requete(port, octets):
    """What the server answers to raw bytes, read to the end."""
    with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
        s.sendall(octets)
        reponse = b""
        while True:
            morceau = s.recv(65536)
            if not morceau:
                return reponse
            reponse += morceau


def statut(reponse):
    return int(reponse.split(b" ", 2)[1])


class ClientWs:
    """A WebSocket client by hand, so as to misbehave in ways a library would not."""

    def __init__(self, port, tampon=None):
        self.s = socket.socket()
        if tampon:
            self.s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, tampon)
        self.s.settimeout(30)
        self.s.connect(("127.0.0.1", port))
        cle = base64.b64encode(os.urandom(16)).decode()
        self.s.sendall(("GET /ws HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nUpgrade: websocket\r\n"
                        "Connection: Upgrade\r\nSec-WebSocket-Key: %s\r\n"
                        "Sec-WebSocket-Version: 13\r\n\r\n" % (port, cle)).encode())
        entete = b""
        while not entete.endswith(b"\r\n\r\n"):
            entete += self.s.recv(1)
        assert statut(entete) == 101, entete

    def envoyer(self, charge, code=2):
        masque = os.urandom(4)
        n = len(charge)
        if n < 126:
            tete = bytes([0x80 | code, 0x80 | n])
        elif n < 65536:
            tete = bytes([0x80 | code, 0x80 | 126]) + struct.pack(">H", n)
        else:
            tete = bytes([0x80 | code, 0x80 | 127]) + struct.pack(">Q", n)
        cache = (masque * (n // 4 + 1))[:n]
        masquee = (int.from_bytes(charge, "big") ^ int.from_bytes(cache, "big")).to_bytes(n, "big")
        self.s.sendall(tete + masque + masquee)

    def demander(self):
        self.envoyer(struct.pack("<i", -1))

    def lire_exactement(self, n):
        octets = b""
        while len(octets) < n:
            morceau = self.s.recv(n - len(octets))
            if not morceau:
                raise ConnectionError("closed")
            octets += morceau
        return octets

    def message(self):
        """(opcode, payload) of the next message."""
        b0, b1 = self.lire_exactement(2)
        n = b1 & 0x7F
        if n == 126:
            n = struct.unpack(">H", self.lire_exactement(2))[0]
        elif n == 127:
            n = struct.unpack(">Q", self.lire_exactement(8))[0]
        return b0 & 0x0F, self.lire_exactement(n)

    def tick(self):
        """The tick of the next picture, asked for."""
        self.demander()
        code, charge = self.message()
        assert code == 2 and charge[:4] == b"AQF2", (code, charge[:16])
        # The first column, after the 64 bytes of the header.
        return int(struct.unpack_from("<d", charge, 64)[0])

    def est_ferme(self):
        """Whether the server ends the connection (a close frame or the end of the stream)."""
        try:
            while True:
                code, _ = self.message()
                if code == 8:
                    return True
        except (ConnectionError, OSError):
            return True

    def fermer(self):
        self.s.close()


class Refus(unittest.TestCase):
    """Command lines refused with one line and status 2."""

    def test_lignes_refusees(self):
        with tempfile.TemporaryDirectory() as dossier:
            trace = os.path.join(dossier, "t.jsonl")
            subprocess.run([BATCH, "--seed", "1", "--ticks", "10", "--state", trace, "--quiet"],
                           check=True, stderr=subprocess.DEVNULL)
            abimee = os.path.join(dossier, "abimee.jsonl")
            with open(trace) as f, open(abimee, "w") as g:
                lignes = f.readlines()
                g.write(lignes[0] + lignes[1][: len(lignes[1]) // 2] + "\n")
            hdf5 = os.path.join(dossier, "t.h5")
            subprocess.run([BATCH, "--seed", "1", "--ticks", "10", "--state", hdf5, "--quiet"],
                           check=True, stderr=subprocess.DEVNULL)
            with h5py.File(hdf5, "r") as f:
                morceau = f["speedbricks"].id.get_chunk_info(0).byte_offset
            with open(hdf5, "rb") as f:
                octets = f.read()
            signature, coupee, illisible, etrangere = (
                os.path.join(dossier, nom + ".h5")
                for nom in ["signature", "coupee", "illisible", "etrangere"])
            # A chunk's compressed stream without its head; a file cut in its middle.
            for chemin, contenu in [
                    (signature, octets[:8] + bytes(100)),
                    (coupee, octets[: len(octets) // 2]),
                    (illisible, octets[:morceau] + bytes(16) + octets[morceau + 16:])]:
                with open(chemin, "wb") as f:
                    f.write(contenu)
            with h5py.File(etrangere, "w") as f:
                f["ticks"] = [0, 1, 2]
            ancienne = os.path.join(dossier, "ancienne.h5")
            with open(ancienne, "wb") as f:
                f.write(octets)
            with h5py.File(ancienne, "r+") as f:
                f.attrs["format"] = 1
            occupe = socket.socket()
            occupe.bind(("127.0.0.1", 0))
            occupe.listen()
            cas = [
                (["--listen", "localhost:8080"], "expects HOST:PORT"),
                (["--listen", "127.0.0.1:65536"], "expects HOST:PORT"),
                (["--listen", "127.0.0.1:%d" % occupe.getsockname()[1]], "cannot listen"),
                (["--ticks-per-second", "-1"], "--ticks-per-second"),
                (["--replay", os.path.join(dossier, "absente")], "cannot open it"),
                (["--replay", abimee], "line 2"),
                (["--replay", signature], "not an HDF5 file"),
                (["--replay", coupee], "truncated file"),
                (["--replay", illisible], "'speedbricks' table cannot be read"),
                (["--replay", etrangere], "not a state trace"),
                (["--replay", ancienne], "a trace of format 1, not 2 as this program reads"),
                (["--replay", trace, "--seed", "3"], "--seed does not apply"),
                (["--resume", trace], "--resume"),
            ]
            for arguments, attendu in cas:
                with self.subTest(arguments=arguments):
                    fait = subprocess.run([SERVE, *arguments], capture_output=True, text=True,
                                          timeout=60)
                    self.assertEqual(fait.returncode, 2, fait.stderr)
                    self.assertEqual(len(fait.stderr.splitlines()), 1, fait.stderr)
                    self.assertIn(attendu, fait.stderr)
            occupe.close()


class Hostiles(unittest.TestCase):
    """One paced run, crowded enough that its pictures fill a socket's buffers quickly."""

    @classmethod
    def setUpClass(cls):
        cls.dossier = tempfile.TemporaryDirectory()
        cls.serveur = Serveur(SERVE, "--seed", "1", "--founders", "2000", "--ticks", "100000",
                              "--ticks-per-second", "40", dossier=cls.dossier.name)
        cls.temoin = ClientWs(cls.serveur.port)

    @classmethod
    def tearDownClass(cls):
        cls.temoin.fermer()
        statut = cls.serveur.arreter()
        texte = cls.serveur.texte()
        cls.dossier.cleanup()
        # SIGTERM during the run, however hostile its clients were.
        assert statut == 143, texte

    def assertContinue(self):
        """The run goes on, and a well-behaved page is still served."""
        avant = self.temoin.tick()
        self.assertGreater(self.temoin.tick(), avant)
        self.assertIsNone(self.serveur.processus.poll())

    def test_requetes(self):
        port = self.serveur.port
        poignee = ("GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                   "Connection: Upgrade\r\nSec-WebSocket-Version: 13\r\n")
        cas = [
            (b"GET / HTTP/1.1\r\nHost: x\r\n\r\n", 200),
            (b"GET /page.js HTTP/1.1\r\nHost: x\r\n\r\n", 200),
            (b"GET /columns.json HTTP/1.1\r\nHost: x\r\n\r\n", 200),
            (b"GET /../../../../etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n", 404),
            (b"GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n", 404),
            (b"GET /page.js/../main.cpp HTTP/1.1\r\nHost: x\r\n\r\n", 404),
            (b"GET //etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n", 404),
            (b"DELETE / HTTP/1.1\r\nHost: x\r\n\r\n", 405),
            (b"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello", 400),
            (b"GET / HTTP/1.1\r\nHost: x\r\nX: " + b"a" * 10000 + b"\r\n\r\n", 431),
            (b"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03garbage\r\n\r\n", 400),
            ((poignee + "\r\n").encode(), 400),
            ((poignee + "Sec-WebSocket-Key: x\r\nOrigin: http://ailleurs.example\r\n\r\n")
             .encode(), 403),
        ]
        for octets, attendu in cas:
            with self.subTest(requete=octets[:40]):
                reponse = requete(port, octets)
                self.assertEqual(statut(reponse), attendu, reponse[:200])
                self.assertNotIn(b"root:", reponse)
        self.assertContinue()

    def test_messages(self):
        cas = [
            (struct.pack("<i", -1) * 300_000, "exceeded the locally configured limit"),
            (b"show me", "no request for a picture"),
            (struct.pack("<i", 5), "no request for a picture"),
            (struct.pack("<ii", -1, -1), "no request for a picture"),
            (struct.pack("<ii", -2, -2), "no request for a picture"),
            (struct.pack("<iii", -2, 1, 1), "no request for a picture"),
        ]
        for charge, raison in cas:
            with self.subTest(raison=raison, taille=len(charge)):
                client = ClientWs(self.serveur.port)
                try:
                    client.envoyer(charge)
                except (BrokenPipeError, ConnectionResetError):
                    pass  # refused before the whole of it was sent
                self.assertTrue(client.est_ferme())
                client.fermer()
                self.serveur.attendre(raison)
        texte = ClientWs(self.serveur.port)
        texte.envoyer(b"\xff\xff\xff\xff", code=1)
        self.assertTrue(texte.est_ferme())
        texte.fermer()
        self.assertContinue()

    def test_client_bloque(self):
        """A client that asks for pictures and never reads them is dropped, not waited for."""
        bloque = ClientWs(self.serveur.port, tampon=4096)
        bloque.s.setblocking(False)
        avant = self.serveur.texte().count("dropped")
        # Its buffers fill within seconds, then it has 10 s to read: 2 minutes is a failure.
        fin = time.monotonic() + 120
        while time.monotonic() < fin:
            try:
                bloque.demander()
            except BlockingIOError:
                pass
            if self.serveur.texte().count("dropped") > avant:
                break
            self.assertContinue()
        self.assertIn("dropped: not reading", self.serveur.texte())
        bloque.fermer()
        self.assertContinue()


class Arrets(unittest.TestCase):
    """Ctrl-C stops a run as it stops the other programs; an ended run is served until then."""

    def test_arrets(self):
        with tempfile.TemporaryDirectory() as dossier:
            enCours = Serveur(SERVE, "--seed", "1", "--ticks", "100000", dossier=dossier)
            client = ClientWs(enCours.port)
            client.tick()
            self.assertEqual(enCours.arreter(signal.SIGINT), 130)
            client.fermer()
            self.assertRegex(enCours.texte(), r"interrupted by SIGINT at tick \d+")

            fini = Serveur(SERVE, "--seed", "1", "--ticks", "50", "--ticks-per-second", "0",
                           dossier=dossier)
            fini.attendre("the run has ended")
            client = ClientWs(fini.port)
            self.assertEqual(client.tick(), 50)
            self.assertEqual(fini.arreter(signal.SIGTERM), 0)
            self.assertTrue(client.est_ferme())
            client.fermer()


if __name__ == "__main__":
    unittest.main()
