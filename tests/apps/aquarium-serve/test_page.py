"""The real page in a real headless Chromium (WebGL2 through SwiftShader), fed by the real
aquarium-serve: its picture, its counters against aquarium-batch's statistics of the same run,
its view under the mouse and the keys, and a replay's slider.
Arguments: aquarium-serve, aquarium-batch."""

import csv
import io
import os
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.common.keys import Keys

from navigateur import Chromium, Serveur

SERVE, BATCH = sys.argv.pop(1), sys.argv.pop(1)


def statistiques(dossier, *arguments):
    """aquarium-batch's statistics of each tick of the same run, every column, by tick."""
    chemin = os.path.join(dossier, "stats.csv")
    subprocess.run([BATCH, "--quiet", "--stats", chemin, *arguments], check=True,
                   stderr=subprocess.DEVNULL)
    with open(chemin) as f:
        lignes = csv.DictReader(l for l in f if not l.startswith("#"))
        return {int(l["tick"]): {c: int(v) for c, v in l.items()} for l in lignes}


def sans_evenements(ligne):
    """A tick's statistics as a trace holds them: its events unknown."""
    return {c: None if c in ("births", "splits", "deaths") else v for c, v in ligne.items()}


def image_de(chromium):
    """The canvas as drawn, without the overlays above it."""
    pilote = chromium.pilote
    pilote.execute_script("for (const id of ['compteurs', 'graphique']) "
                          "document.getElementById(id).style.visibility = 'hidden';")
    toile = pilote.find_element("id", "vue")
    return Image.open(io.BytesIO(toile.screenshot_as_png)).convert("RGB")


def classer(image):
    """Pixels by the window's colours, lit (0.04 ambient plus the diffuse part), and the
    columns crossed by a long run of pure white: the tank's vertical edges."""
    classes = dict.fromkeys(["jeune", "male", "femelle", "anneau", "cutit"], 0)
    largeur, hauteur = image.size
    pixels = image.load()
    colonnes = 0
    for x in range(largeur):
        blancs = 0
        for y in range(hauteur):
            r, g, b = pixels[x, y]
            blancs += (r, g, b) == (255, 255, 255)
            if max(r, g, b) < 60:
                continue
            if r < 25 and g < 25:
                classes["male"] += 1
            elif g < 25 and abs(r - b) < 12:
                classes["femelle"] += 1
            elif g < 25 and b < 25:
                classes["cutit"] += 1
            elif g > r + 30 and abs(r - b) < 12 and r < 0.5 * g:
                classes["jeune"] += 1
            elif abs(r - g) < 4 and abs(g - b) < 4:
                classes["anneau"] += 1
        colonnes += blancs > hauteur // 4
    return classes, colonnes


class Direct(unittest.TestCase):
    """Seed 1 to tick 3,000 at 400 ticks a second: heads of the three colours by then."""

    FIN = 3000

    @classmethod
    def setUpClass(cls):
        cls.dossier = tempfile.TemporaryDirectory()
        cls.census = statistiques(cls.dossier.name, "--seed", "1", "--ticks", str(cls.FIN))
        cls.serveur = Serveur(SERVE, "--seed", "1", "--ticks", str(cls.FIN),
                              "--ticks-per-second", "400", dossier=cls.dossier.name)
        cls.chromium = Chromium()
        cls.chromium.pilote.get(cls.serveur.adresse)

    @classmethod
    def tearDownClass(cls):
        cls.chromium.fermer()
        statut = cls.serveur.arreter()
        cls.dossier.cleanup()
        # An ended run served until SIGTERM, shut down whole (sanitizers included).
        assert statut == 0, cls.serveur.texte()

    def test_1_compteurs_du_tick_montre(self):
        vus = set()
        while True:
            compteurs = self.chromium.attendre(self.chromium.compteurs)
            self.assertEqual(compteurs, self.census[compteurs["tick"]])
            vus.add(compteurs["tick"])
            if compteurs["tick"] == self.FIN:
                break
            time.sleep(0.2)
        self.assertGreater(len(vus), 3)
        self.chromium.attendre(lambda: "ended" in self.chromium.pilote.find_element(
            "id", "etat").text)

    def test_2_image(self):
        classes, colonnes = classer(image_de(self.chromium))
        for nom, pixels in classes.items():
            self.assertGreater(pixels, 30, (nom, classes))
        self.assertGreaterEqual(colonnes, 2)

    def test_3_vue(self):
        pilote = self.chromium.pilote
        toile = pilote.find_element("id", "vue")
        actions = lambda: ActionChains(pilote)
        tourne = image_de(self.chromium)
        time.sleep(0.5)
        self.assertNotEqual(image_de(self.chromium).tobytes(), tourne.tobytes())
        actions().send_keys("r").perform()
        time.sleep(0.5)
        arretee = image_de(self.chromium)
        time.sleep(0.5)
        self.assertEqual(image_de(self.chromium).tobytes(), arretee.tobytes())

        actions().click_and_hold(toile).move_by_offset(120, 0).release().perform()
        glissee = image_de(self.chromium)
        self.assertNotEqual(glissee.tobytes(), arretee.tobytes())
        actions().send_keys("b").perform()
        large = image_de(self.chromium)
        self.assertNotEqual(large.tobytes(), glissee.tobytes())
        actions().send_keys("n").perform()
        self.assertEqual(image_de(self.chromium).tobytes(), glissee.tobytes())
        actions().scroll_from_origin(ScrollOrigin.from_element(toile), 0, 100).perform()
        self.assertEqual(image_de(self.chromium).tobytes(), large.tobytes())


class Relecture(unittest.TestCase):
    def test_curseur(self):
        """The same run's trace in either format: the slider and play show its dumped ticks."""
        for format in ["jsonl", "h5"]:
            with self.subTest(format=format), tempfile.TemporaryDirectory() as dossier:
                trace = os.path.join(dossier, "t." + format)
                census = statistiques(dossier, "--seed", "1", "--ticks", "600", "--state", trace,
                                      "--state-every", "50")
                serveur = Serveur(SERVE, "--replay", trace, dossier=dossier)
                chromium = Chromium()
                try:
                    chromium.pilote.get(serveur.adresse)
                    chromium.attendre(chromium.compteurs)
                    curseur = chromium.pilote.find_element("id", "curseur")
                    ActionChains(chromium.pilote).click(curseur).send_keys(
                        Keys.HOME, *[Keys.ARROW_RIGHT] * 7).perform()
                    chromium.attendre(lambda: chromium.compteurs()["tick"] == 350)
                    self.assertEqual(chromium.compteurs(), sans_evenements(census[350]))
                    self.assertEqual(chromium.pilote.find_element("id", "tickCurseur").text, "350")
                    time.sleep(1)
                    self.assertEqual(chromium.compteurs()["tick"], 350)
                    chromium.pilote.find_element("id", "lecture").click()
                    chromium.attendre(lambda: chromium.compteurs()["tick"] == 600)
                    self.assertEqual(chromium.compteurs(), sans_evenements(census[600]))
                finally:
                    chromium.fermer()
                    statut = serveur.arreter()
                self.assertEqual(statut, 0, serveur.texte())


if __name__ == "__main__":
    unittest.main()
