"""aquarium-serve and the page in headless Chromium, for the tests, the page's screenshot and
its benchmark. Needs Debian's python3-selenium: run with /usr/bin/python3."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

class Serveur:
    """aquarium-serve on a port the system picks, its standard error in a file, run in `cwd`."""

    def __init__(self, programme, *arguments, dossier, ecoute="127.0.0.1:0", cwd=None):
        self.erreurs = os.path.join(dossier, "serve-%d.err" % time.monotonic_ns())
        with open(self.erreurs, "wb") as sortie:
            self.processus = subprocess.Popen(
                [programme, "--listen", ecoute, "--quiet", *arguments],
                stdout=subprocess.DEVNULL, stderr=sortie, cwd=cwd)
        self.adresse = self.attendre(r"watch at (http://\S+)").group(1)
        self.port = int(self.adresse.rsplit(":", 1)[1].strip("/"))

    def texte(self):
        with open(self.erreurs, encoding="utf-8", errors="replace") as f:
            return f.read()

    def attendre(self, motif, delai=120):
        """The first match of `motif` on standard error, waited for."""
        fin = time.monotonic() + delai
        while time.monotonic() < fin:
            trouve = re.search(motif, self.texte())
            if trouve:
                return trouve
            if self.processus.poll() is not None:
                raise AssertionError("aquarium-serve ended (%d): %s"
                                     % (self.processus.returncode, self.texte()))
            time.sleep(0.05)
        raise AssertionError("no %r on aquarium-serve's stderr: %s" % (motif, self.texte()))

    def arreter(self, numero=signal.SIGTERM):
        """Stops it cleanly; its status."""
        if self.processus.poll() is None:
            self.processus.send_signal(numero)
        return self.processus.wait(timeout=60)


class Chromium:
    """Headless Chromium drawing WebGL2 through SwiftShader, its page LARGEUR x HAUTEUR."""

    def __init__(self, largeur=1000, hauteur=800):
        self.profil = tempfile.mkdtemp(prefix="aquarium-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ["--headless=new", "--no-sandbox", "--enable-unsafe-swiftshader",
                         "--use-angle=swiftshader", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync", "--no-first-run",
                         "--user-data-dir=" + self.profil]:
            options.add_argument(argument)
        self.pilote = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.pilote.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": largeur, "height": hauteur, "deviceScaleFactor": 1, "mobile": False})

    def fermer(self):
        self.pilote.quit()
        shutil.rmtree(self.profil, ignore_errors=True)

    def compteurs(self):
        """The overlay's counters by column, all read at one moment, None for one the page
        does not know; None before the first picture."""
        paires = self.pilote.execute_script(
            "return [...document.querySelectorAll('[data-colonne]')]"
            ".map((b) => [b.dataset.colonne, b.textContent]);")
        if not paires or not paires[0][1].isdigit():
            return None
        return {nom: int(texte) if texte != "?" else None for nom, texte in paires}

    def attendre(self, condition, delai=120):
        """The first true value of condition(), waited for."""
        fin = time.monotonic() + delai
        while time.monotonic() < fin:
            valeur = condition()
            if valeur:
                return valeur
            time.sleep(0.1)
        raise AssertionError("the page never got there")

    def images_par_seconde(self):
        texte = self.pilote.find_element("id", "fps").text
        return float(texte) if texte[:1].isdigit() else None
