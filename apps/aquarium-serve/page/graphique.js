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

export class Graphique {
  constructor(element) {
    this.colonnes = [[], [], [], [], []];
    this.dernierTrace = 0;
    this.attente = null;
    this.trace = new uPlot({
      width: 420,
      height: 200,
      scales: { x: { time: false }, y: { distr: 3 } },
      axes: [
        { stroke: '#ccc', grid: { stroke: '#333' } },
        { stroke: '#ccc', grid: { stroke: '#333' }, size: 60 },
      ],
      legend: { show: true, live: false },
      cursor: { show: false },
      series: [{ label: 'tick' }, ...SERIES.map((s) => ({ ...s, width: 1.5 }))],
    }, this.colonnes, element);
  }

  vider() {
    this.colonnes = [[], [], [], [], []];
    this.trace.setData(this.colonnes);
  }

  // Rows of tick, speedbricks, normal, gentil, aga; a log scale has no place for 0.
  ajouter(lignes) {
    for (let i = 0; i < lignes.length; i += 5) {
      this.colonnes[0].push(lignes[i]);
      for (let c = 1; c < 5; ++c) this.colonnes[c].push(lignes[i + c] > 0 ? lignes[i + c] : null);
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
