// The page: pictures from the server over a WebSocket, asked for one at a time as they are
// drawn, the counters of the tick shown, the population chart, and a replay's controls.
import './page.css';
import { Graphique } from './graphique.js';
import { Labo, lireJson } from './labo.js';
import { Vue } from './vue.js';

// The overlay's lines start with these columns (the tick, the kinds, the sexes, the bodies, the
// events); any other column the server names follows on the line before it.
const DEBUTS_DE_LIGNE = new Set(['tick', 'speedbricks', 'male', 'rings', 'births']);
// A live page asks for the latest picture; a replaying one for a line of the trace.
const DERNIERE = -1;
const $ = (id) => document.getElementById(id);
// A founder's colour, its index modulo their number: twenty that the eye tells apart.
const COULEURS_FONDATEURS = ['#e6194b', '#3cb44b', '#ffe119', '#4363d8', '#f58231', '#911eb4',
  '#42d4f4', '#f032e6', '#bfef45', '#fabed4', '#469990', '#dcbeff', '#9a6324', '#fffac8',
  '#800000', '#aaffc3', '#808000', '#ffd8b1', '#00ff80', '#a9a9a9'];
// Made once the server has given its constants: the picture's layout (its header's 32-bit words,
// then the columns' doubles on their 8-byte boundary), the spheres, the tank and the window.
let vue = null;
let graphique = null;
let image = null;
const labo = new Labo();

// The overlay's counters, one for each of the server's columns, in its order.
const compteurs = [];
let colonneTick = -1;

function construireCompteurs(noms) {
  colonneTick = noms.indexOf('tick');
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
  const { words: MOT, magic, headerBytes, historyColumns, heads, headColumns } = image;
  const mots = new Int32Array(tampon, 0, MOT.total);
  if (mots[MOT.magic] !== magic || mots[MOT.columns] !== compteurs.length) {
    throw new Error('not a picture of this server');
  }
  const lue = {
    mots,
    ticksParSeconde: new Float32Array(tampon, MOT.ticksPerSecond * 4, 1)[0],
    valeurs: new Float64Array(tampon, headerBytes, compteurs.length),
    centres: [],
    tetes: [],
  };
  let position = headerBytes + compteurs.length * 8;
  for (let forme = 0; forme < image.formes; ++forme) {
    const n = mots[MOT.spheres + forme] * 3;
    lue.centres.push(new Float32Array(tampon, position, n));
    position += n * 4;
  }
  for (let forme = 0; forme < heads; ++forme) {
    const n = mots[MOT.spheres + forme] * headColumns;
    lue.tetes.push(new Int32Array(tampon, position, n));
    position += n * 4;
  }
  lue.historique = new Int32Array(tampon, position, mots[MOT.history] * historyColumns);
  position += lue.historique.byteLength;
  if (position < tampon.byteLength) {
    lue.fiche = JSON.parse(new TextDecoder().decode(new Uint8Array(tampon, position)));
  }
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
  // The picture shown, kept to be drawn again in the other colours.
  montree: null,
  parFondateur: false,
  // The id of the creature followed; -1: none.
  suivi: -1,
};

// The server sends the picture shown again, with the creature's fields.
function suivre(id) {
  etat.suivi = id;
  if (etat.connexion?.readyState !== WebSocket.OPEN) return;
  etat.connexion.send(new Int32Array([image.words.follow, id]));
  if (etat.ligneMontree >= 0 && !etat.demandee) demander(etat.ligneMontree);
}

// The fields of the creature followed, as its picture shows it; once it is gone, the panel
// says so and follows it no more.
function montrerFiche(fiche) {
  if (fiche === undefined || fiche.id !== etat.suivi) return;
  const champs = ['kind', 'sex', 'age', 'rings', 'genome', 'mother', 'father'];
  $('fiche').hidden = false;
  $('fiche').replaceChildren(...(fiche.kind === undefined
    ? [`speedbrick ${fiche.id}: gone`]
    : [`speedbrick ${fiche.id}`, ...champs.map((c) => `${c} ${fiche[c]}`)])
    .map((texte) => Object.assign(document.createElement('div'), { textContent: texte })));
  $('fiche').dataset.id = fiche.id;
  if (fiche.kind === undefined) suivre(-1);
}

// The head drawn nearest the point of the canvas, within a few pixels; -1 for none.
function teteA(x, y) {
  let meilleure = -1;
  let distance = 12 * 12;
  etat.montree?.tetes.forEach((tetes, forme) => {
    const centres = etat.montree.centres[forme];
    for (let i = 0; i < tetes.length / image.headColumns; ++i) {
      const p = vue.aLEcran(centres[3 * i], centres[3 * i + 1], centres[3 * i + 2]);
      const d = p === null ? Infinity : (p[0] - x) ** 2 + (p[1] - y) ** 2;
      if (d < distance) [meilleure, distance] = [tetes[i * image.headColumns], d];
    }
  });
  return meilleure;
}

// The heads in their sex's colours, or in their dominant founder's: the shapes after the
// server's, one per founder colour.
function poserSpheres(lue) {
  const groupes = COULEURS_FONDATEURS.map(() => []);
  lue.centres.forEach((centres, forme) => {
    const tete = forme < image.heads;
    vue.poserCentres(forme, tete && etat.parFondateur ? centres.subarray(0, 0) : centres);
    if (!tete || !etat.parFondateur) return;
    const tetes = lue.tetes[forme];
    for (let i = 0; i < tetes.length / image.headColumns; ++i) {
      groupes[tetes[i * image.headColumns + 1] % groupes.length]
        .push(centres[3 * i], centres[3 * i + 1], centres[3 * i + 2]);
    }
  });
  groupes.forEach((g, k) => vue.poserCentres(image.formes + k, new Float32Array(g)));
}

function basculerCouleurs() {
  etat.parFondateur = !etat.parFondateur;
  $('couleurs').textContent = etat.parFondateur ? 'colour by sex' : 'colour by founder';
  $('legende').hidden = !etat.parFondateur;
  if (etat.montree !== null) poserSpheres(etat.montree);
}

function construireLegende() {
  COULEURS_FONDATEURS.forEach((couleur, k) => {
    const pastille = document.createElement('span');
    pastille.style.background = couleur;
    $('legende').append(pastille, `${k} `);
  });
}

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
    labo.oublier();
    suivre(etat.suivi);
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
  etat.montree = lue;
  const relecture = mots[MOT.line] >= 0;
  // Another world: the chart and the creature followed were the last one's.
  const fini = mots[MOT.ended] !== 0;
  if (!relecture && labo.montrer(mots[MOT.world], lue.valeurs[colonneTick], fini)) {
    graphique.vider();
    suivre(-1);
    $('fiche').hidden = true;
  }
  poserSpheres(lue);
  montrerFiche(lue.fiche);
  // NaN: a count that a replay's trace does not hold.
  lue.valeurs.forEach((valeur, i) => {
    compteurs[i].textContent = Number.isNaN(valeur) ? '?' : valeur;
  });
  graphique.ajouter(lue.historique);
  if (relecture) {
    for (let i = 0; i < lue.historique.length; i += image.historyColumns) {
      etat.ticks.push(lue.historique[i]);
    }
    montrerRelecture(mots[MOT.line], mots[MOT.lines]);
  } else {
    $('tps').textContent = lue.ticksParSeconde.toFixed(1);
    $('etat').textContent = fini ? 'the run has ended: its last tick' : '';
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
$('couleurs').addEventListener('click', basculerCouleurs);
// A click, not a drag, picks the head under it.
let appui = null;
$('vue').addEventListener('pointerdown', (e) => { appui = [e.offsetX, e.offsetY]; });
$('vue').addEventListener('click', (e) => {
  if (appui === null || Math.hypot(e.offsetX - appui[0], e.offsetY - appui[1]) > 4) return;
  const id = teteA(e.offsetX, e.offsetY);
  suivre(id);
  if (id < 0) $('fiche').hidden = true;
});
window.addEventListener('keydown', (e) => {
  if (e.key === 'f' && !(e.target instanceof HTMLInputElement)) basculerCouleurs();
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

Promise.all([lireJson('constants.json'), lireJson('columns.json')])
  .then(([constantes, noms]) => {
    image = { ...constantes.picture, formes: constantes.shapes.length };
    const fondateurs = COULEURS_FONDATEURS.map((c) => ({
      radius: constantes.shapes[0].radius,
      colour: [1, 3, 5].map((i) => parseInt(c.slice(i, i + 2), 16) / 255),
    }));
    vue = new Vue($('vue'), { ...constantes, shapes: [...constantes.shapes, ...fondateurs] });
    construireLegende();
    graphique = new Graphique($('graphique'), image.historyColumns);
    construireCompteurs(noms);
    connecter();
    requestAnimationFrame(dessiner);
  })
  .catch(() => { $('etat').textContent = 'the server is gone: reload the page'; });
