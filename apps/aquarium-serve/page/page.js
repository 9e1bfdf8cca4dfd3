// The page: pictures from the server over a WebSocket, asked for one at a time as they are
// drawn, the counters of the tick shown, the population chart, and a replay's controls.
import './page.css';
import { Graphique } from './graphique.js';
import { Vue } from './vue.js';

// The overlay's lines start with these columns (the tick, the kinds, the sexes, the bodies, the
// events); any other column the server names follows on the line before it.
const DEBUTS_DE_LIGNE = new Set(['tick', 'speedbricks', 'male', 'rings', 'births']);
// A live page asks for the latest picture; a replaying one for a line of the trace.
const DERNIERE = -1;
const $ = (id) => document.getElementById(id);
// Made once the server has given its constants: the picture's layout (its header's 32-bit words,
// then the columns' doubles on their 8-byte boundary), the spheres, the tank and the window.
let vue = null;
let graphique = null;
let image = null;

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
  const { words: MOT, magic, headerBytes, historyColumns } = image;
  const mots = new Int32Array(tampon, 0, MOT.total);
  if (mots[MOT.magic] !== magic || mots[MOT.columns] !== compteurs.length) {
    throw new Error('not a picture of this server');
  }
  const lue = {
    mots,
    ticksParSeconde: new Float32Array(tampon, MOT.ticksPerSecond * 4, 1)[0],
    valeurs: new Float64Array(tampon, headerBytes, compteurs.length),
    centres: [],
  };
  let position = headerBytes + compteurs.length * 8;
  vue.formes.forEach((_, forme) => {
    const n = mots[MOT.spheres + forme] * 3;
    lue.centres.push(new Float32Array(tampon, position, n));
    position += n * 4;
  });
  lue.historique = new Int32Array(tampon, position, mots[MOT.history] * historyColumns);
  return lue;
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

function montrer(lue) {
  const { mots } = lue;
  const MOT = image.words;
  vue.poserTaille([mots[MOT.tank], mots[MOT.tank + 1], mots[MOT.tank + 2]]);
  lue.centres.forEach((centres, forme) => vue.poserCentres(forme, centres));
  // NaN: a count that a replay's trace does not hold.
  lue.valeurs.forEach((valeur, i) => {
    compteurs[i].textContent = Number.isNaN(valeur) ? '?' : valeur;
  });
  graphique.ajouter(lue.historique);
  const relecture = mots[MOT.line] >= 0;
  if (relecture) {
    for (let i = 0; i < lue.historique.length; i += image.historyColumns) {
      etat.ticks.push(lue.historique[i]);
    }
    montrerRelecture(mots[MOT.line], mots[MOT.lines]);
  } else {
    $('tps').textContent = lue.ticksParSeconde.toFixed(1);
    $('etat').textContent = mots[MOT.ended] ? 'the run has ended: its last tick' : '';
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
    // Replay speed 1 is the window's ticks a second.
    etat.position += secondes * vue.fenetre.ticksPerSecond * Number($('vitesse').value);
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
function dessiner(maintenant) {
  const secondes = Math.min(0.25, (maintenant - avant) / 1000);
  avant = maintenant;
  if (etat.recue !== null) {
    const recue = etat.recue;
    etat.recue = null;
    montrer(recue);
    // The next picture travels while this one is drawn.
    if (recue.mots[image.words.line] < 0) demander(DERNIERE);
  }
  if (etat.ligneMontree >= 0) avancerRelecture(secondes);
  vue.dessiner(secondes);
  ++etat.images;
  if (maintenant - etat.debutMesure >= 1000) {
    $('fps').textContent = ((etat.images * 1000) / (maintenant - etat.debutMesure)).toFixed(1);
    etat.images = 0;
    etat.debutMesure = maintenant;
  }
  requestAnimationFrame(dessiner);
}

const lireJson = (chemin) => fetch(chemin).then((reponse) => reponse.json());
Promise.all([lireJson('constants.json'), lireJson('columns.json')])
  .then(([constantes, noms]) => {
    image = constantes.picture;
    vue = new Vue($('vue'), constantes);
    graphique = new Graphique($('graphique'), image.historyColumns);
    construireCompteurs(noms);
    connecter();
    requestAnimationFrame(dessiner);
  })
  .catch(() => { $('etat').textContent = 'the server is gone: reload the page'; });
