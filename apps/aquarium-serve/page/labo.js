// The lab of a live run: play, pause, one tick and the pace; a new world from the fields the
// server lists; the command line that makes again what is shown, and its statistics.
const $ = (id) => document.getElementById(id);
const JETON = 'aquarium-control-token';

// The server marks its answers no-store: each read is its state now.
export const lireJson = (chemin) => fetch(chemin).then((reponse) => reponse.json());

// The token comes in the address's fragment, which reaches no server's log nor any proxy; it
// stays for the tab's life and leaves the address bar, so that a copied address holds none.
function lireJeton() {
  const trouve = /^#token=(.+)$/.exec(location.hash);
  if (trouve) {
    sessionStorage.setItem(JETON, decodeURIComponent(trouve[1]));
    history.replaceState(null, '', location.pathname + location.search);
  }
  return sessionStorage.getItem(JETON);
}

// A field of the form, as /options.json describes it: its help as the label's title, its range
// when it is a whole number, the running world's value.
function champ({ name: nom, help: aide, value: valeur, default: defaut, min, max }) {
  const saisie = Object.assign(document.createElement('input'), { name: nom, value: valeur });
  if (defaut !== '') saisie.placeholder = defaut;
  if (min !== undefined) Object.assign(saisie, { type: 'number', min, max, step: 1 });
  const etiquette = Object.assign(document.createElement('label'), { title: aide });
  etiquette.append(nom.replace(/^--/, ''), saisie);
  const erreur = Object.assign(document.createElement('div'), { className: 'erreur' });
  const bloc = Object.assign(document.createElement('div'), { className: 'champ' });
  bloc.append(etiquette, erreur);
  return bloc;
}

const erreurDe = (saisie) => saisie.closest('.champ').querySelector('.erreur');

export class Labo {
  constructor() {
    this.jeton = lireJeton();
    // /run.json as last read or answered; null until then.
    this.course = null;
    this.monde = null;
    this.tick = null;
    this.fini = false;
    // The last control refused, until one is taken.
    this.refus = '';
    $('jouer').addEventListener('click',
      () => this.commander({ action: this.course?.paused ? 'play' : 'pause' }));
    $('pas').addEventListener('click', () => this.commander({ action: 'step' }));
    $('allure').addEventListener('change', (e) => {
      if (Number.isInteger(e.target.valueAsNumber)) {
        this.commander({ action: 'pace', ticksPerSecond: e.target.valueAsNumber });
      } else {
        this.montrerCourse();
      }
    });
    $('nouveau').addEventListener('submit', (e) => {
      e.preventDefault();
      this.demarrer();
    });
    $('copier').addEventListener('click', () => this.copier());
  }

  // Each picture of a live run: its world, the tick it shows and whether the run has ended.
  // Whether the world is another than the last picture's, which the page then forgets.
  montrer(monde, tick, fini) {
    $('labo').hidden = false;
    const autre = this.monde !== null && monde !== this.monde;
    if (monde !== this.monde) this.recharger();
    this.monde = monde;
    if (tick !== this.tick || fini !== this.fini) {
      this.tick = tick;
      this.fini = fini;
      this.montrerLigne();
      this.montrerCourse();
    }
    return autre;
  }

  // Another connection may be another server: its run is read again.
  oublier() {
    this.monde = null;
  }

  async recharger() {
    const [course, { options }] = await Promise.all([lireJson('run.json'),
      lireJson('options.json')]);
    $('champs').replaceChildren(...options.map(champ));
    this.poserCourse(course);
  }

  poserCourse(course) {
    this.course = course;
    this.montrerLigne();
    this.montrerCourse();
  }

  // The buttons, enabled as the server takes controls, with the reason when it does not.
  montrerCourse() {
    const { course } = this;
    if (course === null) return;
    let raison = '';
    if (course.controls === 'off') {
      raison = 'watch only: this server listens beyond its machine without --control-token';
    } else if (course.controls === 'token' && !this.jeton) {
      raison = 'controls need the token: open this address with #token=… after it';
    }
    const sans = raison !== '';
    $('raison').textContent = raison || this.refus;
    $('jouer').textContent = course.paused ? 'play' : 'pause';
    $('jouer').disabled = sans || this.fini;
    $('pas').disabled = sans || this.fini;
    $('allure').disabled = sans;
    $('demarrer').disabled = sans;
    if (document.activeElement !== $('allure')) $('allure').value = course.ticksPerSecond;
  }

  // What reproduces the tick shown: that command with --stats writes the file offered. A
  // world just started is not shown yet: its line waits for its first picture.
  montrerLigne() {
    if (this.course?.world !== this.monde || this.tick === null) return;
    // An option and its value break onto the next line together, never inside "--".
    const mots = `${this.course.command} --ticks ${this.tick}`.split(/ (?=--)/)
      .map((mot) => Object.assign(document.createElement('span'), { textContent: mot }));
    $('commande').replaceChildren(...mots.flatMap((mot, i) => (i === 0 ? [mot] : [' ', mot])));
    $('telecharger').href = `stats.csv?upto=${this.tick}`;
  }

  // The server's answer, its members those of /run.json once the change is made; an error's
  // message otherwise, shown in the place given or above the form.
  async envoyer(corps) {
    const entetes = { 'Content-Type': 'application/json' };
    if (this.jeton) entetes['X-Control-Token'] = this.jeton;
    const reponse = await fetch('control', {
      method: 'POST', headers: entetes, body: JSON.stringify(corps),
    });
    const texte = await reponse.text();
    try {
      return JSON.parse(texte);
    } catch {
      return { error: `${reponse.status} ${texte || reponse.statusText}`.trim() };
    }
  }

  async commander(corps) {
    const reponse = await this.envoyer(corps).catch(() => ({ error: 'the server is gone' }));
    this.refus = reponse.error ?? '';
    if (reponse.error === undefined) this.poserCourse(reponse);
    else this.montrerCourse();
  }

  // Empty fields take their defaults (the seed: the calendar time), as on the command line.
  async demarrer() {
    const saisies = [...$('champs').querySelectorAll('input')];
    for (const e of [$('erreurFormulaire'), ...$('champs').querySelectorAll('.erreur')]) {
      e.textContent = '';
    }
    const illisible = saisies.find((s) => s.validity.badInput);
    if (illisible) {
      erreurDe(illisible).textContent = 'not a number';
      return;
    }
    const options = Object.fromEntries(saisies.filter((s) => s.value !== '')
      .map((s) => [s.name, s.value]));
    const reponse = await this.envoyer({ action: 'start', options })
      .catch(() => ({ error: 'the server is gone' }));
    if (reponse.error === undefined) {
      this.poserCourse(reponse);
      return;
    }
    const saisie = saisies.find((s) => s.name === reponse.option);
    (saisie ? erreurDe(saisie) : $('erreurFormulaire')).textContent = reponse.error;
  }

  // The clipboard's API serves secure pages only (https, loopback); on others the line is
  // selected for the keyboard's copy.
  async copier() {
    const texte = $('commande').textContent;
    try {
      await navigator.clipboard.writeText(texte);
      $('copier').textContent = 'copied';
    } catch {
      getSelection().selectAllChildren($('commande'));
      $('copier').textContent = document.execCommand('copy') ? 'copied' : 'press Ctrl+C';
    }
    setTimeout(() => { $('copier').textContent = 'copy'; }, 1500);
  }
}
