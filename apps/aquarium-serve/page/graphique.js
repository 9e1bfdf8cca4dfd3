// The population of the run so far, by kind, on a log scale.
import uPlot from 'uplot';
import 'uplot/dist/uPlot.min.css';

const SERIES = [
  { label: 'speedbricks', stroke: '#ffffff' },
  { label: 'normal', stroke: '#4da6ff' },
  { label: 'gentil', stroke: '#66dd66' },
  { label: 'aga', stroke: '#ff6666' },
];
// Redrawing a long history is not free: the chart follows the run a few times a second.
const INTERVALLE_MS = 500;

// The axis as wide as its longest label, whatever the population: a fixed width cut the
// labels' first digits once they grew past it.
function largeurAxe(u, valeurs, axe, passe) {
  const a = u.axes[axe];
  // uPlot sizes the axes again until the sizes settle: the third pass keeps the last.
  if (passe > 1) return a._size;
  const plusLongue = (valeurs ?? []).reduce((l, v) => (v.length > l.length ? v : l), '');
  u.ctx.font = a.font[0];
  return Math.ceil(a.ticks.size + a.gap + u.ctx.measureText(plusLongue).width / devicePixelRatio);
}

// `colonnes` of each history row: the tick, then SERIES's.
export class Graphique {
  constructor(element, colonnes) {
    this.largeur = colonnes;
    this.colonnes = Array.from({ length: colonnes }, () => []);
    this.dernierTrace = 0;
    this.attente = null;
    this.trace = new uPlot({
      width: 420,
      height: 200,
      scales: { x: { time: false }, y: { distr: 3 } },
      axes: [
        { stroke: '#ccc', grid: { stroke: '#333' } },
        { stroke: '#ccc', grid: { stroke: '#333' }, size: largeurAxe },
      ],
      legend: { show: true, live: false },
      cursor: { show: false },
      series: [{ label: 'tick' }, ...SERIES.map((s) => ({ ...s, width: 1.5 }))],
    }, this.colonnes, element);
  }

  vider() {
    this.colonnes = Array.from({ length: this.largeur }, () => []);
    this.trace.setData(this.colonnes);
  }

  // Rows of tick, speedbricks, normal, gentil, aga; a log scale has no place for 0.
  ajouter(lignes) {
    for (let i = 0; i < lignes.length; i += this.largeur) {
      this.colonnes[0].push(lignes[i]);
      for (let c = 1; c < this.largeur; ++c) {
        this.colonnes[c].push(lignes[i + c] > 0 ? lignes[i + c] : null);
      }
    }
    if (lignes.length === 0 || this.attente) return;
    const reste = this.dernierTrace + INTERVALLE_MS - performance.now();
    this.attente = setTimeout(() => this.tracer(), Math.max(0, reste));
  }

  tracer() {
    this.attente = null;
    this.dernierTrace = performance.now();
    this.trace.setData(this.colonnes);
  }
}
