"""The real aquarium-serve against refused command lines, hostile requests, clients and
controls, and signals: every refusal leaves the run going and the other clients served; the
controls a page may send change no result.
Arguments: aquarium-serve, aquarium-batch."""

import base64
import json
import os
import re
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


def http(port, methode, chemin, corps=b"", **entetes):
    """(status, body) of one request; a header given None is left out, `corps` None sends only
    the headers."""
    entetes = {"Host": "127.0.0.1:%d" % port, "Content-Length": len(corps or b""), **entetes}
    tete = "%s %s HTTP/1.1\r\n" % (methode, chemin) + "".join(
        "%s: %s\r\n" % (cle, valeur) for cle, valeur in entetes.items() if valeur is not None)
    reponse = requete(port, tete.encode() + b"\r\n" + (corps or b""))
    return statut(reponse), reponse.partition(b"\r\n\r\n")[2]


def controler(port, message, **entetes):
    """(status, JSON answer) of a control; `message` a dict, or bytes sent as they are, or None
    for the headers alone."""
    if isinstance(message, dict):
        message = json.dumps(message).encode()
    code, reponse = http(port, "POST", "/control", message,
                         **{"Content-Type": "application/json", **entetes})
    return code, json.loads(reponse) if reponse.startswith(b"{") else reponse


def etat(port):
    return json.loads(http(port, "GET", "/run.json")[1])


def attendre_etat(port, condition):
    """/run.json once `condition` holds of it."""
    fin = time.monotonic() + 120
    while time.monotonic() < fin:
        lu = etat(port)
        if condition(lu):
            return lu
        time.sleep(0.05)
    raise AssertionError("/run.json never got there: %s" % lu)


def statistiques(*arguments):
    """What aquarium-batch --stats writes for these options."""
    with tempfile.TemporaryDirectory() as dossier:
        chemin = os.path.join(dossier, "s.csv")
        subprocess.run([BATCH, *arguments, "--stats", chemin, "--quiet"], check=True,
                       stderr=subprocess.DEVNULL)
        with open(chemin, "rb") as f:
            return f.read()


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
                (["--replay", trace, "--control-token", "t"], "--control-token does not apply"),
                (["--resume", trace], "--resume"),
                (["--control-token", ""], "--control-token"),
                (["--stats", trace, "--checkpoint", trace], "--stats names the file"),
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
            (b"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello", 405),
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
        ouvert = True
        while time.monotonic() < fin:
            try:
                if ouvert:
                    bloque.demander()
            except BlockingIOError:
                pass
            except (ConnectionResetError, BrokenPipeError):
                ouvert = False  # dropped between two requests: its line is on its way
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


class Pilotes(unittest.TestCase):
    """The controls of a page: each refused one says why in one line and changes nothing;
    pausing and stepping change no result; a new world ends the command line's run whole."""

    def test_refus(self):
        with tempfile.TemporaryDirectory() as dossier:
            monde = ["--seed", "1", "--ticks", "100000"]
            local = Serveur(SERVE, *monde, dossier=dossier)
            jeton = Serveur(SERVE, *monde, "--control-token", "secret", ecoute="0.0.0.0:0",
                            dossier=dossier)
            ferme = Serveur(SERVE, *monde, ecoute="0.0.0.0:0", dossier=dossier)
            try:
                self.assertEqual([etat(s.port)["controls"] for s in (local, jeton, ferme)],
                                 ["on", "token", "off"])
                self.assertEqual(controler(local.port, {"action": "pause"})[0], 200)
                self.assertEqual(controler(jeton.port, {"action": "pause"},
                                           **{"X-Control-Token": "secret"})[0], 200)
                for s in (local, jeton):
                    attendre_etat(s.port, lambda e: e["pausedAt"] is not None)
                batch = subprocess.run([BATCH, "--sterility=-1"], capture_output=True,
                                       text=True).stderr.strip().split(": ", 1)[1]
                cas = [
                    (jeton, {"action": "play"}, {}, 403, "no token"),
                    (jeton, {"action": "play"}, {"X-Control-Token": "secreT"}, 403,
                     "wrong token"),
                    (ferme, {"action": "pause"}, {"X-Control-Token": "secret"}, 403,
                     "controls are off"),
                    (local, {"action": "play"}, {"Origin": "http://ailleurs.example"}, 403,
                     "another site"),
                    (local, {"action": "play"}, {"Host": "ailleurs.example"}, 403,
                     "not a loopback name"),
                    (local, None, {"Content-Length": 5000}, 413, "a body over 4096 bytes"),
                    (local, {"action": "play"}, {"Content-Type": "text/plain"}, 415,
                     "content type"),
                    (local, b'{"action": "play"', {}, 400, "no JSON object"),
                    (local, {"action": "dance"}, {}, 400, "unknown action 'dance'"),
                    (local, {"action": "pace", "ticksPerSecond": 100001}, {}, 400,
                     "ticksPerSecond"),
                    (local, {"action": "start", "options": {"--sterility": "-1"}}, {}, 400,
                     batch),
                    (local, {"action": "start", "options": {"--stats": "s.csv"}}, {}, 400,
                     "files stay the command line's"),
                ]
                for serveur, message, entetes, code, raison in cas:
                    with self.subTest(raison=raison):
                        avant = serveur.texte().count("\n")
                        etat_avant = etat(serveur.port)
                        temoin = ClientWs(serveur.port)
                        tick = temoin.tick()
                        obtenu, reponse = controler(serveur.port, message, **entetes)
                        self.assertEqual(obtenu, code, reponse)
                        if code != 413:
                            self.assertIn(raison, reponse["error"])
                        lignes = serveur.texte().splitlines()[avant:]
                        self.assertEqual(len(lignes), 1, lignes)
                        self.assertRegex(lignes[0], r"^aquarium-serve: 127\.0\.0\.1:\d+: refused control: .*" + re.escape(raison))
                        self.assertEqual(etat(serveur.port), etat_avant)
                        # A paused run's tick stays, for a newcomer; a playing one's pictures
                        # go on.
                        if etat_avant["paused"]:
                            temoin.fermer()
                            temoin = ClientWs(serveur.port)
                            self.assertEqual(temoin.tick(), tick)
                        else:
                            self.assertGreater(temoin.tick(), tick)
                        temoin.fermer()
                # The last case's: the batch runner's message, and the field it is about.
                self.assertEqual(controler(local.port, cas[-2][1])[1],
                                 {"error": batch, "option": "--sterility"})
            finally:
                statuts = [s.arreter() for s in (local, jeton, ferme)]
            # SIGTERM stops a paused run as a playing one.
            self.assertEqual(statuts, [143] * 3)

    def test_pas_a_pas(self):
        """Paused, stepped and played again, the run is the batch runner's; a new world
        replaces it, its files whole at the tick it stopped, and writes none itself."""
        with tempfile.TemporaryDirectory() as dossier:
            travail = os.path.join(dossier, "travail")
            os.mkdir(travail)
            serveur = Serveur(SERVE, "--seed", "4", "--founders", "60", "--ticks", "100000",
                              "--stats", "f.csv", "--checkpoint", "c.bin", dossier=dossier,
                              cwd=travail)
            try:
                port = serveur.port
                self.assertEqual(controler(port, {"action": "pace", "ticksPerSecond": 0})[1]
                                 ["ticksPerSecond"], 0)
                controler(port, {"action": "pause"})
                arret = attendre_etat(port, lambda e: e["pausedAt"] is not None)["pausedAt"]
                temoin = ClientWs(port)
                self.assertEqual(temoin.tick(), arret)
                temoin.fermer()
                for _ in range(5):
                    self.assertTrue(controler(port, {"action": "step"})[1]["paused"])
                attendre_etat(port, lambda e: e["pausedAt"] == arret + 5)
                controler(port, {"action": "play"})
                controler(port, {"action": "pause"})
                fin = attendre_etat(port, lambda e: e["pausedAt"] is not None)
                tick = fin["pausedAt"]
                code, csv = http(port, "GET", "/stats.csv?upto=%d" % tick)
                self.assertEqual(code, 200)
                commande = fin["command"].split()[1:]
                self.assertEqual(csv, statistiques(*commande, "--ticks", str(tick)))
                self.assertEqual(http(port, "GET", "/stats.csv?upto=%d" % (tick + 1))[0], 400)
                self.assertEqual(http(port, "GET", "/stats.csv?upto=x")[0], 400)

                page = ["--seed", "9", "--ticks", "30"]
                self.assertEqual(controler(port, {"action": "start", "options": dict(
                    zip(page[::2], page[1::2]))})[0], 200)
                arrete = int(serveur.attendre(r"replaced by another world at tick (\d+)")
                             .group(1))
                serveur.attendre("the run has ended")
                nouveau = etat(port)
                self.assertEqual((nouveau["world"], nouveau["fromPage"]), (2, True))
                self.assertEqual(http(port, "GET", "/stats.csv")[1],
                                 statistiques(*nouveau["command"].split()[1:], "--ticks", "30"))
                self.assertEqual(sorted(os.listdir(travail)), ["c.bin", "f.csv"])
                # The checkpoint takes the run up at the tick its statistics stop at.
                plus = statistiques(*commande, "--ticks", str(arrete + 5))
                with open(os.path.join(travail, "f.csv"), "rb") as f:
                    self.assertEqual(f.read(), b"".join(plus.splitlines(True)[:arrete + 1]))
                reprise = os.path.join(dossier, "r.csv")
                subprocess.run([BATCH, "--resume", os.path.join(travail, "c.bin"), "--ticks",
                                str(arrete + 5), "--stats", reprise, "--quiet"], check=True,
                               stderr=subprocess.DEVNULL)
                with open(reprise, "rb") as f:
                    self.assertEqual(f.read(), b"".join(plus.splitlines(True)[arrete + 1:]))
            finally:
                self.assertEqual(serveur.arreter(), 0)


if __name__ == "__main__":
    unittest.main()
