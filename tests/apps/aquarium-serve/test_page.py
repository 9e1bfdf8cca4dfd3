"""The real page in a real headless Chromium (WebGL2 through SwiftShader), fed by the real
aquarium-serve: its picture, its counters against aquarium-batch's statistics of the same run,
its view under the mouse and the keys, its colours by founder, a replay's slider, a creature
picked with the mouse against the trace, and the lab: a world started from the form, paused,
stepped and played, against aquarium-batch run with the command line the page gives.
Arguments: aquarium-serve, aquarium-batch."""

import csv
import io
import json
import math
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request

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
    """The canvas as drawn, without the overlays above it, which stay as they were."""
    pilote = chromium.pilote
    cacher = ("for (const id of ['compteurs', 'graphique', 'lignees', 'fiche']) "
              "document.getElementById(id).style.visibility = '%s';")
    pilote.execute_script(cacher % "hidden")
    toile = pilote.find_element("id", "vue")
    image = Image.open(io.BytesIO(toile.screenshot_as_png)).convert("RGB")
    pilote.execute_script(cacher % "")
    return image


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


def fondateurs_vus(chromium, image):
    """Pixels by the legend's colours, each pixel counted for the nearest of them and of the
    window's colours in hue: lit colours keep their direction once the ambient is taken away."""
    legende = chromium.pilote.execute_script(
        "return [...document.querySelectorAll('#legende span')]"
        ".map((s) => getComputedStyle(s).backgroundColor);")
    unitaire = lambda v: [c / (math.sqrt(sum(x * x for x in v)) or 1) for c in v]
    couleurs = [unitaire(list(map(int, re.findall(r"\d+", c)))) for c in legende]
    couleurs += [unitaire(c) for c in [(0.3, 0.8, 0.3), (0, 0, 1), (1, 0, 1), (1, 1, 1), (1, 0, 0)]]
    cosinus = lambda a, b: sum(x * y for x, y in zip(a, b))
    pixels = [0] * len(couleurs)
    for r, g, b in image.getdata():
        if max(r, g, b) < 60 or max(r, g, b) == 255:
            continue
        p = unitaire([r - 10, g - 10, b - 10])
        proche = max(range(len(couleurs)), key=lambda k: cosinus(p, couleurs[k]))
        pixels[proche] += cosinus(p, couleurs[proche]) > 0.999
    return dict(enumerate(pixels[:len(legende)]))


def fiche(chromium):
    """The inspector's creature: its id and fields as the panel shows them; None while hidden."""
    panneau = chromium.pilote.find_element("id", "fiche")
    if not panneau.is_displayed():
        return None
    lignes = panneau.text.splitlines()
    return {"id": int(lignes[0].split()[1].rstrip(":")),
            **dict(l.split(" ", 1) for l in lignes[1:])}


def cliquer_une_tete(chromium):
    """Clicks the brightest pixel of a male head; the panel then shows the creature there."""
    pilote = chromium.pilote
    toile = pilote.find_element("id", "vue")
    image = image_de(chromium)
    pixels = image.load()
    x, y = max(((x, y) for x in range(image.width) for y in range(image.height)
                if pixels[x, y][0] < 25 and pixels[x, y][1] < 25),
               key=lambda p: pixels[p][2])
    ActionChains(pilote).move_to_element_with_offset(
        toile, x - toile.size["width"] // 2, y - toile.size["height"] // 2).click().perform()
    return chromium.attendre(lambda: fiche(chromium))


class Direct(unittest.TestCase):
    """Seed 1 to tick 3,000 at 400 ticks a second, with its pedigree: heads of the three
    colours by then."""

    FIN = 3000

    @classmethod
    def setUpClass(cls):
        cls.dossier = tempfile.TemporaryDirectory()
        cls.census = statistiques(cls.dossier.name, "--seed", "1", "--ticks", str(cls.FIN))
        cls.serveur = Serveur(SERVE, "--seed", "1", "--ticks", str(cls.FIN),
                              "--ticks-per-second", "400", "--phylogeny",
                              os.path.join(cls.dossier.name, "lignee.csv"),
                              dossier=cls.dossier.name)
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

    def test_4_couleurs_des_fondateurs(self):
        """The key and the button switch the heads to their founders' colours and back."""
        pilote = self.chromium.pilote
        for basculer in [lambda: ActionChains(pilote).send_keys("f").perform(),
                         lambda: pilote.find_element("id", "couleurs").click()]:
            basculer()
            legende = pilote.find_element("id", "legende")
            self.assertFalse(legende.get_property("hidden"))
            image = image_de(self.chromium)
            vus = fondateurs_vus(self.chromium, image)
            self.assertGreaterEqual(sum(n > 30 for n in vus.values()), 3, vus)
            classes, _ = classer(image)
            self.assertLess(classes["male"] + classes["femelle"], 10, classes)
            basculer()
            classes, _ = classer(image_de(self.chromium))
            self.assertGreater(classes["male"], 30, classes)
            self.assertTrue(legende.get_property("hidden"))

    def test_5_parents_du_pedigree(self):
        """A live run that keeps its pedigree shows the parents the file gives."""
        vue = cliquer_une_tete(self.chromium)
        with open(os.path.join(self.dossier.name, "lignee.csv")) as f:
            ligne = next(l for l in csv.DictReader(f) if int(l["id"]) == vue["id"])
        parents = [p for p in ligne["ancestor_list"].strip("[]").split(", ") if p != "none"]
        self.assertEqual([vue["mother"], vue["father"]], (parents + ["none", "none"])[:2])
        self.assertEqual((vue["kind"], vue["genome"]), (ligne["kind"], ",".join(
            ligne["genome_%d" % i] for i in range(len(vue["genome"].split(","))))))
        self.assertEqual(ligne["destruction_time"], "none")


def attendre_images(chromium, n):
    """Returns once the page has drawn `n` more frames."""
    chromium.pilote.execute_async_script(
        "let n = arguments[0]; const fin = arguments[1];"
        "const suivante = () => (--n > 0 ? requestAnimationFrame(suivante) : fin());"
        "requestAnimationFrame(suivante);", n)


def tick_arrete(chromium):
    """The tick shown once two reads ten frames apart find it the same."""
    def arrete():
        avant = chromium.compteurs()["tick"]
        attendre_images(chromium, 10)
        return avant if chromium.compteurs()["tick"] == avant else None
    return chromium.attendre(arrete)


class Labo(unittest.TestCase):
    """A live run that takes controls with a token only; the page opened with it starts a world
    from its form, pauses it, steps it and plays it on, and gives the command line and the
    statistics of the tick it shows. Seed 9 with 50 founders and no sterility grows slowly for
    some 600 ticks, then booms: the page's world ends at tick 900, near 2,000 speedbricks."""

    MONDE = [("--seed", "9"), ("--founders", "50"), ("--sterility", "0"), ("--ticks", "900")]
    JETON = "s3cret token"

    @classmethod
    def setUpClass(cls):
        cls.dossier = tempfile.TemporaryDirectory()
        cls.census = statistiques(cls.dossier.name, *sum(map(list, cls.MONDE), []))
        cls.serveur = Serveur(SERVE, "--seed", "3", "--ticks", "100000", "--ticks-per-second",
                              "20", "--control-token", cls.JETON, dossier=cls.dossier.name)
        cls.telechargements = os.path.join(cls.dossier.name, "telechargements")
        cls.chromium = Chromium()
        pilote = cls.chromium.pilote
        pilote.execute_cdp_cmd("Browser.setDownloadBehavior",
                               {"behavior": "allow", "downloadPath": cls.telechargements})
        pilote.execute_cdp_cmd("Browser.grantPermissions", {
            "origin": cls.serveur.adresse.rstrip("/"),
            "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        pilote.get(cls.serveur.adresse + "#token=" + urllib.parse.quote(cls.JETON))

    @classmethod
    def tearDownClass(cls):
        cls.chromium.fermer()
        statut, texte = cls.serveur.arreter(), cls.serveur.texte()
        cls.dossier.cleanup()
        # The page's world is paused mid-run: stopped as a run is, by the signal.
        assert statut == 128 + signal.SIGTERM, (statut, texte)

    def lire(self, chemin):
        with urllib.request.urlopen(self.serveur.adresse + chemin, timeout=30) as reponse:
            return reponse.read()

    def saisie(self, nom):
        return self.chromium.pilote.find_element("css selector", '#champs input[name="%s"]' % nom)

    def remplir(self, nom, valeur):
        saisie = self.saisie(nom)
        saisie.clear()
        saisie.send_keys(valeur)

    def cliquer(self, id):
        self.chromium.pilote.find_element("id", id).click()

    def texte(self, id):
        return self.chromium.pilote.find_element("id", id).text

    def test_1_monde_du_formulaire(self):
        """The form holds the server's fields, filled with the running world; the world it
        starts is aquarium-batch's, tick after tick."""
        pilote = self.chromium.pilote
        self.assertNotIn("#", pilote.current_url)
        self.chromium.attendre(lambda: pilote.find_elements("css selector", "#champs input"))
        pilote.find_element("css selector", "#monde summary").click()
        options = json.loads(self.lire("options.json"))["options"]
        self.assertEqual([(s.get_attribute("name"), s.get_attribute("value"))
                          for s in pilote.find_elements("css selector", "#champs input")],
                         [(o["name"], o["value"]) for o in options])
        self.assertEqual(self.saisie("--seed").get_attribute("value"), "3")
        for nom, valeur in self.MONDE:
            self.remplir(nom, valeur)
        self.cliquer("demarrer")
        self.chromium.attendre(lambda: "--seed 9 " in self.texte("commande"))
        vus = set()

        def nouveaux():
            # Tick 0, the world as seeded, has no line in the statistics.
            compteurs = self.chromium.compteurs()
            return compteurs if compteurs["tick"] not in vus | {0} else None
        while len(vus) < 4:
            compteurs = self.chromium.attendre(nouveaux)
            self.assertEqual(compteurs, self.census[compteurs["tick"]])
            vus.add(compteurs["tick"])

    def test_2_pause_pas_lecture(self):
        """Pause holds the tick, one tick adds exactly one, play goes on, and the pace set in
        the page is the server's."""
        self.remplir_allure("80")
        self.cliquer("jouer")
        self.chromium.attendre(lambda: self.texte("jouer") == "play")
        tick = tick_arrete(self.chromium)
        time.sleep(1)
        self.assertEqual(self.chromium.compteurs()["tick"], tick)
        for _ in range(3):
            self.cliquer("pas")
            tick += 1
            self.chromium.attendre(lambda: self.chromium.compteurs()["tick"] == tick)
        self.assertEqual(tick_arrete(self.chromium), tick)
        course = json.loads(self.lire("run.json"))
        self.assertEqual((course["paused"], course["ticksPerSecond"], course["world"]),
                         (True, 80, 2))
        self.cliquer("jouer")
        self.chromium.attendre(lambda: self.chromium.compteurs()["tick"] > tick + 20)
        self.cliquer("jouer")
        self.chromium.attendre(lambda: self.texte("jouer") == "play")
        Labo.arret = tick_arrete(self.chromium)

    def remplir_allure(self, valeur):
        self.chromium.pilote.find_element("id", "allure").send_keys(
            Keys.CONTROL, "a", Keys.NULL, valeur, Keys.ENTER)
        self.chromium.attendre(
            lambda: json.loads(self.lire("run.json"))["ticksPerSecond"] == int(valeur))

    def test_3_ligne_et_statistiques(self):
        """The line copied, run by aquarium-batch with --stats, writes the very file the page
        downloads: the run paused, stepped and played is the run left alone."""
        pilote = self.chromium.pilote
        self.cliquer("copier")
        ligne = pilote.execute_async_script(
            "navigator.clipboard.readText().then(arguments[0], (e) => arguments[0](String(e)));")
        self.assertEqual(ligne, self.texte("commande"))
        self.assertTrue(ligne.endswith(" --ticks %d" % self.arret), ligne)
        for nom, valeur in self.MONDE[:3]:
            self.assertIn(" %s %s " % (nom, valeur), ligne)
        self.cliquer("telecharger")
        csv_page = os.path.join(self.telechargements, "aquarium-seed-9.csv")
        self.chromium.attendre(lambda: os.path.exists(csv_page))
        programme, *arguments = ligne.split()
        self.assertEqual(programme, "aquarium-batch")
        csv_lot = os.path.join(self.dossier.name, "lot.csv")
        subprocess.run([BATCH, "--quiet", "--stats", csv_lot, *arguments], check=True,
                       stderr=subprocess.DEVNULL)
        with open(csv_page, "rb") as page, open(csv_lot, "rb") as lot:
            self.assertEqual(page.read(), lot.read())
        self.assertEqual(self.chromium.compteurs(), self.census[self.arret])

    def test_4_valeurs_refusees(self):
        """A refused value: aquarium-batch's own words beside its field, the world unchanged."""
        ligne = self.texte("commande")
        for nom, valeur in [("--sterility", "-1"), ("--founders", "1e9"), ("--tank", "1,1,1")]:
            with self.subTest(option=nom):
                lot = subprocess.run([BATCH, nom, valeur], capture_output=True, text=True)
                attendu = lot.stderr.strip().removeprefix("aquarium-batch: ")
                avant = self.saisie(nom).get_attribute("value")
                self.remplir(nom, valeur)
                self.cliquer("demarrer")
                erreur = self.saisie(nom).find_element(
                    "xpath", "ancestor::div[@class='champ']/div[@class='erreur']")
                self.assertEqual(self.chromium.attendre(lambda: erreur.text), attendu)
                self.remplir(nom, avant)
        self.assertEqual(self.texte("commande"), ligne)


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
                    self.assertFalse(chromium.pilote.find_element("id", "labo").is_displayed())
                    curseur = chromium.pilote.find_element("id", "curseur")
                    ActionChains(chromium.pilote).click(curseur).send_keys(
                        Keys.HOME, *[Keys.ARROW_RIGHT] * 7).perform()
                    chromium.attendre(lambda: chromium.compteurs()["tick"] == 350)
                    self.assertEqual(chromium.compteurs(), sans_evenements(census[350]))
                    self.assertEqual(chromium.pilote.find_element("id", "tickCurseur").text, "350")
                    time.sleep(1)
                    self.assertEqual(chromium.compteurs()["tick"], 350)
                    if format == "jsonl":
                        self.inspecter(chromium, trace)
                    chromium.pilote.find_element("id", "lecture").click()
                    chromium.attendre(lambda: chromium.compteurs()["tick"] == 600)
                    self.assertEqual(chromium.compteurs(), sans_evenements(census[600]))
                finally:
                    chromium.fermer()
                    statut = serveur.arreter()
                self.assertEqual(statut, 0, serveur.texte())

    def inspecter(self, chromium, trace):
        """A click on the brightest male head shows what the trace holds for the creature
        there, and the panel follows it to the next dumped tick."""
        with open(trace) as f:
            ticks = {l["tick"]: {s["id"]: s for s in l["speedbricks"]} for l in map(json.loads, f)}
        pilote = chromium.pilote
        pilote.execute_script("document.getElementById('vue').focus();")
        ActionChains(pilote).send_keys("r").perform()
        cliquer_une_tete(chromium)
        for tick in [350, 400]:
            if tick == 400:
                ActionChains(pilote).click(pilote.find_element("id", "curseur")).send_keys(
                    Keys.HOME, *[Keys.ARROW_RIGHT] * 8).perform()
                chromium.attendre(lambda: chromium.compteurs()["tick"] == 400)
            vue = chromium.attendre(lambda: fiche(chromium))
            s = ticks[tick].get(vue["id"])
            if s is None and tick == 400:
                self.assertEqual(vue, {"id": vue["id"]})
                continue
            self.assertEqual(vue, {"id": s["id"], "kind": s["kind"].lower(),
                                   "sex": ["undecided", "male", "female"][s["sexe"]],
                                   "age": str(s["age"]), "rings": str(len(s["rings"])),
                                   "genome": ",".join(map(str, s["genome"])),
                                   "mother": "unknown", "father": "unknown"})


if __name__ == "__main__":
    unittest.main()
