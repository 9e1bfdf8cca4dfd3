#!/usr/bin/python3
"""aquarium-serve under a flood of viewers: page-like clients come, read pictures at their own
speed and go, some of them stalled, while seed 1 runs into its explosion. Debian's Python.

  bench/apps/aquarium-serve/soak.py SERVE [--seconds 300] [--settle 60] [--clients 200]
                                       [--stalled 20] [--every 5] [--margin 0.10]

The run (seed 1 to tick 8,750, 5,233 speedbricks) is paced to reach its last tick at three
quarters of the settling time, so that from then on the world and its pictures no longer grow
and what grows is the server's; the pages then get the last tick, one picture a visit. Every
few seconds the server's resident memory (VmRSS) and open descriptors are sampled. It fails
unless, at the end, both are within the margin of where they stood once settled, every
descriptor is given back once the clients have gone, no page-like visit failed, and the server
still serves a newcomer the page and a picture of the last tick, then stops cleanly. It also
sets the simulation thread's CPU time against that of the same run unwatched. Loopback only;
every loop is bounded in time.
"""

import argparse
import asyncio
import os
import random
import socket
import struct
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../scripts"))
from navigateur import Serveur  # noqa: E402

TICKS = 8750
POIGNEE = (b"GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade"
           b"\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n")
# A page's only message: a request for the next picture (masked with a zero key).
DEMANDE = b"\x82\x84\x00\x00\x00\x00\xff\xff\xff\xff"


def lire(chemin):
    with open(chemin) as f:
        return f.read()


def memoire(pid):
    """Resident memory in kB."""
    for ligne in lire("/proc/%d/status" % pid).splitlines():
        if ligne.startswith("VmRSS:"):
            return int(ligne.split()[1])
    raise AssertionError("no VmRSS")


def descripteurs(pid):
    return len(os.listdir("/proc/%d/fd" % pid))


def cpu_simulation(pid):
    """CPU seconds of the simulation's thread, the main one (the server's is serveur-web)."""
    champs = lire("/proc/%d/task/%d/stat" % (pid, pid)).rsplit(")", 1)[1].split()
    return (int(champs[11]) + int(champs[12])) / os.sysconf("SC_CLK_TCK")


async def page(port):
    """What a page fetches first: the page itself; its status."""
    lecteur, ecrivain = await asyncio.open_connection("127.0.0.1", port)
    try:
        ecrivain.write(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n")
        reponse = await asyncio.wait_for(lecteur.read(), 30)
        return int(reponse.split(b" ", 2)[1])
    finally:
        ecrivain.close()


async def ouvrir(port, tampon=None):
    s = socket.socket()
    if tampon:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, tampon)
    s.setblocking(False)
    await asyncio.get_running_loop().sock_connect(s, ("127.0.0.1", port))
    lecteur, ecrivain = await asyncio.open_connection(sock=s, limit=1 << 20)
    ecrivain.write(POIGNEE)
    entete = await asyncio.wait_for(lecteur.readuntil(b"\r\n\r\n"), 30)
    assert entete.split(b" ", 2)[1] == b"101", entete
    return lecteur, ecrivain


async def image(lecteur, ecrivain):
    """Asks for a picture and reads it whole; its tick."""
    ecrivain.write(DEMANDE)
    tete = await lecteur.readexactly(2)
    n = tete[1] & 0x7F
    if n == 126:
        n = struct.unpack(">H", await lecteur.readexactly(2))[0]
    elif n == 127:
        n = struct.unpack(">Q", await lecteur.readexactly(8))[0]
    charge = await lecteur.readexactly(n)
    assert charge[:4] == b"AQF2", charge[:16]
    return int(struct.unpack_from("<d", charge, 64)[0])


class Flot:
    """Clients that come and go until `fin`, each slot its own loop."""

    def __init__(self, port, fin):
        self.port, self.fin = port, fin
        self.images = self.visites = 0
        self.echecs = []

    def reste(self):
        return self.fin - time.monotonic()

    async def spectateur(self, graine):
        """Loads the page, watches at its own speed for a while, leaves, sometimes with a
        picture on its way, and comes back."""
        hasard = random.Random(graine)
        while self.reste() > 2:
            try:
                await asyncio.wait_for(self.visite(hasard), 60)
            except (OSError, asyncio.IncompleteReadError, asyncio.TimeoutError) as erreur:
                self.echecs.append(repr(erreur))
            await asyncio.sleep(hasard.uniform(0, 0.5))

    async def visite(self, hasard):
        self.visites += 1
        if hasard.random() < 0.3:
            assert await page(self.port) == 200
        lecteur, ecrivain = await ouvrir(self.port)
        fin = time.monotonic() + min(hasard.uniform(0.5, 8), self.reste() - 1)
        pause = hasard.choice([0, 0.02, 0.1, 0.5])
        try:
            # Once the run has ended, a request waits for a picture that never comes: the
            # page leaves with it pending.
            while time.monotonic() < fin:
                await asyncio.wait_for(image(lecteur, ecrivain), max(fin - time.monotonic(), 0))
                self.images += 1
                await asyncio.sleep(pause)
        except asyncio.TimeoutError:
            pass
        finally:
            ecrivain.close()

    async def bloque(self, graine):
        """Asks for pictures into a tiny buffer and never reads them, for a while."""
        hasard = random.Random(graine)
        while self.reste() > 2:
            try:
                _, ecrivain = await ouvrir(self.port, tampon=4096)
                fin = time.monotonic() + min(hasard.uniform(2, 25), self.reste() - 1)
                while time.monotonic() < fin and not ecrivain.is_closing():
                    if ecrivain.transport.get_write_buffer_size() == 0:
                        ecrivain.write(DEMANDE)
                    await asyncio.sleep(0.2)
                ecrivain.close()
            except (OSError, asyncio.TimeoutError) as erreur:
                self.echecs.append(repr(erreur))


async def flot(port, pid, duree, clients, bloques, tous_les):
    """Runs the clients for `duree` seconds, sampling the server; the samples as
    (seconds, kB, descriptors)."""
    debut = time.monotonic()
    f = Flot(port, debut + duree)
    taches = [asyncio.ensure_future(f.spectateur(i)) for i in range(clients - bloques)]
    taches += [asyncio.ensure_future(f.bloque(1000 + i)) for i in range(bloques)]
    mesures = []
    # The last sample comes while the clients still come and go.
    while time.monotonic() + tous_les <= f.fin - 2:
        await asyncio.sleep(tous_les)
        mesures.append((time.monotonic() - debut, memoire(pid), descripteurs(pid)))
        print("%5.0f s  %7d kB  %4d fds" % mesures[-1], flush=True)
    await asyncio.wait_for(asyncio.gather(*taches), 60)
    print("%d visits, %d pictures read, %d failed" % (f.visites, f.images, len(f.echecs)))
    return mesures, f.echecs


def a(mesures, t):
    """The first sample at or after t seconds."""
    return next(m for m in mesures if m[0] >= t)


async def visite_fraiche(port):
    """A newcomer's page and first picture: its status and tick."""
    lecteur, ecrivain = await ouvrir(port)
    try:
        return await page(port), await image(lecteur, ecrivain)
    finally:
        ecrivain.close()


def fin_du_run(serveur):
    serveur.attendre(r"%d ticks in" % TICKS, delai=900)
    return cpu_simulation(serveur.processus.pid)


def main():
    parametres = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parametres.add_argument("serve")
    parametres.add_argument("--seconds", type=float, default=300)
    parametres.add_argument("--settle", type=float, default=60,
                            help="the reference moment; the run ends at three quarters of it")
    parametres.add_argument("--clients", type=int, default=200)
    parametres.add_argument("--stalled", type=int, default=20)
    parametres.add_argument("--every", type=float, default=5)
    parametres.add_argument("--margin", type=float, default=0.10,
                            help="growth allowed from the reference moment to the end")
    o = parametres.parse_args()
    rythme = str(int(TICKS / (0.75 * o.settle)) + 1)
    run = ["--seed", "1", "--ticks", str(TICKS), "--ticks-per-second", rythme]
    with tempfile.TemporaryDirectory() as dossier:
        seul = Serveur(o.serve, *run, dossier=dossier)
        try:
            cpu_seul = fin_du_run(seul)
        finally:
            seul.arreter()
        serveur = Serveur(o.serve, *run, dossier=dossier)
        pid = serveur.processus.pid
        try:
            avant = descripteurs(pid)
            mesures, echecs = asyncio.run(flot(serveur.port, pid, o.seconds, o.clients,
                                               o.stalled, o.every))
            cpu_vu = fin_du_run(serveur)
            rendus = descripteurs(pid)
            for _ in range(100):
                if rendus <= avant:
                    break
                time.sleep(0.1)
                rendus = descripteurs(pid)
            statut_page, tick = asyncio.run(visite_fraiche(serveur.port))
            assert serveur.processus.poll() is None, serveur.texte()
        finally:
            statut = serveur.arreter()
        texte = serveur.texte()
        print(texte.count("dropped: not reading"), "stalled clients dropped")
        # A sanitizer build's report, leaks included, comes as the server exits.
        rapport = texte[texte.find("==ERROR: "):] if "==ERROR: " in texte else ""
        print(rapport[:5000])

    debut, reference, fin = mesures[0], a(mesures, o.settle), mesures[-1]
    for nom, i in ("resident memory (kB)", 1), ("descriptors", 2):
        print("%s: %d at %.0f s, %d at %.0f s, %d at %.0f s (%+.1f %% since %.0f s)" % (
            nom, debut[i], debut[0], reference[i], reference[0], fin[i], fin[0],
            100 * (fin[i] / reference[i] - 1), reference[0]))
    print("descriptors: %d before the clients, %d once they had gone" % (avant, rendus))
    print("simulation thread's CPU: %.2f s unwatched, %.2f s watched (%+.1f %%)" % (
        cpu_seul, cpu_vu, 100 * (cpu_vu / cpu_seul - 1)))
    # The descriptors follow the clients connected at the moment; a few steps either way.
    problemes = [nom for nom, ok in [
        ("memory grew", fin[1] <= reference[1] * (1 + o.margin)),
        ("descriptors grew", fin[2] <= reference[2] * (1 + o.margin) + 5),
        ("descriptors kept", rendus <= avant),
        ("visits failed: %s" % echecs[:5], not echecs),
        ("no fresh page", statut_page == 200 and tick == TICKS),
        ("not a clean stop", statut == 0),
        ("a sanitizer's report", not rapport)] if not ok]
    print("FAILED: " + ", ".join(problemes) if problemes else "held")
    return 1 if problemes else 0


if __name__ == "__main__":
    sys.exit(main())
