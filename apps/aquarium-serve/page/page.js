// The page: pictures from the server over a WebSocket, asked for one at a time as they are
// drawn, the counters of the tick shown, the population chart, and a replay's controls.
import './page.css';
import { Graphique } from './graphique.js';
import { FORMES, Vue } from './vue.js';

// The header's 32-bit words, in the server's order; the columns' doubles follow it, on their
// 8-byte boundary.
const MOT = {
  magique: 0, ticksParSeconde: 1, taille: 2, ligne: 5, lignes: 6, fini: 7, spheres: 8,
  historique: 13, colonnes: 14, total: 15,
};
const TAILLE_ENTETE = Math.ceil(MOT.total / 2) * 8;
const MAGIQUE = 0x32465141;
// The overlay's lines start with these columns (the tick, the kinds, the sexes, the bodies, the
// events); any other column the server names follows on the line before it.
const DEBUTS_DE_LIGNE = new Set(['tick', 'speedbricks', 'male', 'rings', 'births']);
// A live page asks for the latest picture; a replaying one for a line of the trace.
const DERNIERE = -1;
// Replay speed 1 is the window's 40 ticks a second.
const TICKS_PAR_SECONDE = 40;

const $ = (id) => document.getElementById(id);
const vue = new Vue($('vue'));
const graphique = new Graphique($('graphique'));

// The overlay's counters, one for each of the server's columns, in its order.
const compteurs = [];

function construireCompteurs(noms) {
  let ligne = null;
  noms.forEach((nom) => {
    if (ligne === null || DEBUTS_DE_LIGNE.has(nom)) {
      ligne = document.createElement('div');
      $('colonnes').append(ligne);
    } else {
      ligne.append(', ');
    }
    const valeur = document.createElement('b');
    valeur.dataset.colonne = nom;
    valeur.textContent = '–';
    ligne.append(`${nom} `, valeur);
    compteurs.push(valeur);
  });
}

function lireImage(tampon) {
  const mots = new Int32Array(tampon, 0, MOT.total);
  if (mots[MOT.magique] !== MAGIQUE || mots[MOT.colonnes] !== compteurs.length) {
    throw new Error('not a picture of this server');
  }
  const image = {
    mots,
    ticksParSeconde: new Float32Array(tampon, MOT.ticksParSeconde * 4, 1)[0],
    valeurs: new Float64Array(tampon, TAILLE_ENTETE, compteurs.length),
    centres: [],
  };
  let position = TAILLE_ENTETE + compteurs.length * 8;
  FORMES.forEach((_, forme) => {
    const n = mots[MOT.spheres + forme] * 3;
    image.centres.push(new Float32Array(tampon, position, n));
    position += n * 4;
  });
  image.historique = new Int32Array(tampon, position, mots[MOT.historique] * 5);
  return image;
}

const etat = {
  connexion: null,
  // The picture received and not drawn yet.
  recue: null,
  demandee: false,
  // Replay: the trace's ticks, the position in ticks, and the line shown.
  ticks: [],
  position: 0,
  enLecture: true,
  ligneMontree: -1,
  images: 0,
  debutMesure: performance.now(),
};

function demander(valeur) {
  if (etat.connexion?.readyState !== WebSocket.OPEN) return;
  etat.connexion.send(new Int32Array([valeur]));
  etat.demandee = true;
}

function connecter() {
  const ws = new WebSocket(`ws://${location.host}/ws`);
  ws.binaryType = 'arraybuffer';
  ws.onopen = () => {
    $('etat').textContent = '';
    graphique.vider();
    etat.ticks = [];
    etat.ligneMontree = -1;
    etat.connexion = ws;
    demander(DERNIERE);
  };
  ws.onmessage = (e) => {
    etat.demandee = false;
    etat.recue = lireImage(e.data);
  };
  ws.onclose = () => {
    etat.connexion = null;
    etat.demandee = false;
    $('etat').textContent = 'the server is gone: the last picture stays; trying again';
    setTimeout(connecter, 2000);
  };
}

function montrer(image) {
  const { mots } = image;
  vue.poserTaille([mots[MOT.taille], mots[MOT.taille + 1], mots[MOT.taille + 2]]);
  image.centres.forEach((centres, forme) => vue.poserCentres(forme, centres));
  // NaN: a count that a replay's trace does not hold.
  image.valeurs.forEach((valeur, i) => {
    compteurs[i].textContent = Number.isNaN(valeur) ? '?' : valeur;
  });
  graphique.ajouter(image.historique);
  const relecture = mots[MOT.ligne] >= 0;
  if (relecture) {
    for (let i = 0; i < image.historique.length; i += 5) etat.ticks.push(image.historique[i]);
    montrerRelecture(mots[MOT.ligne], mots[MOT.lignes]);
  } else {
    $('tps').textContent = image.ticksParSeconde.toFixed(1);
    $('etat').textContent = mots[MOT.fini] ? 'the run has ended: its last tick' : '';
  }
}

function montrerRelecture(ligne, lignes) {
  const curseur = $('curseur');
  $('relecture').hidden = false;
  $('rythme').textContent = 'replay';
  curseur.max = lignes - 1;
  etat.ligneMontree = ligne;
  if (document.activeElement !== curseur) curseur.value = ligne;
  $('tickCurseur').textContent = etat.ticks[ligne];
}

// The last line whose tick is not past the position.
function ligneA(position) {
  let bas = 0;
  let haut = etat.ticks.length - 1;
  while (bas < haut) {
    const milieu = (bas + haut + 1) >> 1;
    if (etat.ticks[milieu] <= position) bas = milieu;
    else haut = milieu - 1;
  }
  return bas;
}

function avancerRelecture(secondes) {
  if (etat.ticks.length === 0) return;
  const fin = etat.ticks[etat.ticks.length - 1];
  if (etat.enLecture) {
    etat.position += secondes * TICKS_PAR_SECONDE * Number($('vitesse').value);
    if (etat.position >= fin) {
      etat.position = fin;
      basculerLecture(false);
    }
  }
  const voulue = ligneA(etat.position);
  if (voulue !== etat.ligneMontree && !etat.demandee && etat.recue === null) demander(voulue);
}

function basculerLecture(enLecture) {
  etat.enLecture = enLecture;
  $('lecture').textContent = enLecture ? 'pause' : 'play';
}

$('lecture').addEventListener('click', () => {
  if (!etat.enLecture && etat.position >= etat.ticks[etat.ticks.length - 1]) etat.position = 0;
  basculerLecture(!etat.enLecture);
});
$('curseur').addEventListener('input', (e) => {
  basculerLecture(false);
  etat.position = etat.ticks[Number(e.target.value)];
});

let avant = performance.now();
function image(maintenant) {
  const secondes = Math.min(0.25, (maintenant - avant) / 1000);
  avant = maintenant;
  if (etat.recue !== null) {
    const recue = etat.recue;
    etat.recue = null;
    montrer(recue);
    // The next picture travels while this one is drawn.
    if (recue.mots[MOT.ligne] < 0) demander(DERNIERE);
  }
  if (etat.ligneMontree >= 0) avancerRelecture(secondes);
  vue.dessiner(secondes);
  ++etat.images;
  if (maintenant - etat.debutMesure >= 1000) {
    $('fps').textContent = ((etat.images * 1000) / (maintenant - etat.debutMesure)).toFixed(1);
    etat.images = 0;
    etat.debutMesure = maintenant;
  }
  requestAnimationFrame(image);
}

fetch('columns.json')
  .then((reponse) => reponse.json())
  .then((noms) => {
    construireCompteurs(noms);
    connecter();
    requestAnimationFrame(image);
  })
  .catch(() => { $('etat').textContent = 'the server is gone: reload the page'; });
