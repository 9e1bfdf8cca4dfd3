// The window's picture in WebGL2: each kind of sphere is one draw of points, each point a
// square on the screen that its fragment shader turns into the sphere it holds (ray cast, lit
// and depth-tested as the window's lit spheres are), and the tank's outline as lines. Points
// rather than instanced squares: software renderers pay dearly for each instance.
import * as THREE from 'three';

// The squares' half side, in radii.
const MARGE = 1.05;

const SOMMETS_SPHERE = `
in vec3 position;
uniform mat4 vue;
uniform mat4 projection;
uniform float rayon;
uniform float pixelsParUnite;
out vec3 centreVue;
flat out float horsSphere;
void main() {
  vec4 c = vue * vec4(position, 1.0);
  centreVue = c.xyz;
  horsSphere = dot(c.xyz, c.xyz) - rayon * rayon;
  gl_Position = projection * c;
  // A little wider than the sphere, so that its outline under perspective stays inside.
  gl_PointSize = 2.0 * ${MARGE} * rayon * pixelsParUnite / -c.z;
}`;

// OpenGL's lighting of the window: the scene's ambient 0.2 times the material's default 0.2,
// plus the diffuse colour times the cosine to light 0, which shines along the eye's z axis
// before the camera (the camera lives in the window's projection matrix).
const FRAGMENTS_SPHERE = `
precision highp float;
uniform vec3 couleur;
uniform float rayon;
uniform vec3 lumiere;
uniform vec2 profondeur;
in vec3 centreVue;
flat in float horsSphere;
out vec4 sortie;
void main() {
  vec2 p = vec2(gl_PointCoord.x, 1.0 - gl_PointCoord.y) * 2.0 - 1.0;
  // The square's corners, outside the sphere's outline, cost no more.
  if (dot(p, p) > 1.0) discard;
  vec3 d = normalize(centreVue + vec3(p * ${MARGE} * rayon, 0.0));
  float b = dot(d, centreVue);
  float delta = b * b - horsSphere;
  if (delta < 0.0) discard;
  vec3 impact = d * (b - sqrt(delta));
  vec3 normale = (impact - centreVue) / rayon;
  sortie = vec4(min(couleur * max(dot(normale, lumiere), 0.0) + 0.04, 1.0), 1.0);
  // The projection's depth of the point hit, without the rest of the matrix.
  gl_FragDepth = 0.5 - 0.5 * (profondeur.x + profondeur.y / impact.z);
}`;

const SOMMETS_CONTOUR = `
in vec3 position;
uniform mat4 vue;
uniform mat4 projection;
void main() { gl_Position = projection * vue * vec4(position, 1.0); }`;

const FRAGMENTS_CONTOUR = `
precision highp float;
out vec4 sortie;
void main() { sortie = vec4(1.0); }`;

// gluPerspective's matrix.
function perspective(focale, proportion, proche, loin) {
  const f = 1 / Math.tan((focale * Math.PI) / 360);
  const p = proche - loin;
  return new THREE.Matrix4().set(
    f / proportion, 0, 0, 0,
    0, f, 0, 0,
    0, 0, (loin + proche) / p, (2 * loin * proche) / p,
    0, 0, -1, 0);
}

// gluLookAt's matrix, the up vector being y.
function regard(oeil, cible) {
  const f = new THREE.Vector3().subVectors(cible, oeil).normalize();
  const s = new THREE.Vector3().crossVectors(f, new THREE.Vector3(0, 1, 0)).normalize();
  const u = new THREE.Vector3().crossVectors(s, f);
  const rotation = new THREE.Matrix4().set(
    s.x, s.y, s.z, 0,
    u.x, u.y, u.z, 0,
    -f.x, -f.y, -f.z, 0,
    0, 0, 0, 1);
  return rotation.multiply(new THREE.Matrix4().makeTranslation(-oeil.x, -oeil.y, -oeil.z));
}

// The back face, the edge to the front, the front face, then the three edges left: as pairs.
function contour(x, y, z) {
  const chemin = [[0, 0, 0], [0, y, 0], [x, y, 0], [x, 0, 0], [0, 0, 0],
    [0, 0, z], [0, y, z], [x, y, z], [x, 0, z], [0, 0, z]];
  const points = [];
  for (let i = 0; i + 1 < chemin.length; ++i) points.push(...chemin[i], ...chemin[i + 1]);
  points.push(0, y, 0, 0, y, z, x, y, 0, x, y, z, x, 0, 0, x, 0, z);
  return new THREE.Float32BufferAttribute(points, 3);
}

// The window's looks and camera come from the server (/constants.json): `formes` are the young,
// male and female heads, rings and cutits, each a radius and a colour; `fenetre` the window's
// size, proportions, field of view and pace.
export class Vue {
  constructor(toile, { shapes: formes, tank, window: fenetre }) {
    this.toile = toile;
    this.fenetre = fenetre;
    // The window turns its degrees per frame at its frames a second; the page turns as fast
    // whatever its own rate.
    this.tourParSeconde = fenetre.degreesPerFrame * fenetre.ticksPerSecond;
    this.rendu = new THREE.WebGLRenderer({ canvas: toile, antialias: false });
    this.rendu.setClearColor(0x000000, 1);
    this.scene = new THREE.Scene();
    this.camera = new THREE.Camera();
    this.focale = fenetre.focal;
    this.rotation = 0;
    this.tourne = true;
    this.taille = tank;
    this.communs = {
      vue: { value: new THREE.Matrix4() },
      projection: { value: new THREE.Matrix4() },
      lumiere: { value: new THREE.Vector3() },
      // The drawing's pixels for one unit at one unit of distance along the view.
      pixelsParUnite: { value: 1 },
      // The projection's z row: depth from the distance along the view.
      profondeur: { value: new THREE.Vector2() },
    };
    this.formes = formes.map(({ colour: couleur, radius: rayon }) => {
      const materiau = new THREE.RawShaderMaterial({
        glslVersion: THREE.GLSL3,
        vertexShader: SOMMETS_SPHERE,
        fragmentShader: FRAGMENTS_SPHERE,
        uniforms: {
          ...this.communs,
          couleur: { value: new THREE.Vector3(...couleur) },
          rayon: { value: rayon },
        },
      });
      const maille = new THREE.Points(new THREE.BufferGeometry(), materiau);
      maille.frustumCulled = false;
      this.scene.add(maille);
      return { maille, capacite: -1 };
    });
    this.lignes = new THREE.LineSegments(new THREE.BufferGeometry(), new THREE.RawShaderMaterial({
      glslVersion: THREE.GLSL3,
      vertexShader: SOMMETS_CONTOUR,
      fragmentShader: FRAGMENTS_CONTOUR,
      uniforms: this.communs,
    }));
    this.lignes.frustumCulled = false;
    this.scene.add(this.lignes);
    this.formes.forEach((_, forme) => this.poserCentres(forme, new Float32Array(0)));
    this.poserContour();
    this.ecouter();
  }

  poserContour() {
    this.lignes.geometry.dispose();
    this.lignes.geometry = new THREE.BufferGeometry();
    this.lignes.geometry.setAttribute('position', contour(...this.taille));
  }

  // The centres of one kind, copied into its buffer, which grows by half again when full.
  poserCentres(forme, centres) {
    const f = this.formes[forme];
    const n = centres.length / 3;
    let geometrie = f.maille.geometry;
    if (n > f.capacite) {
      geometrie.dispose();
      f.capacite = Math.max(1024, Math.ceil(n * 1.5));
      geometrie = new THREE.BufferGeometry();
      geometrie.setAttribute('position',
        new THREE.BufferAttribute(new Float32Array(f.capacite * 3), 3));
      f.maille.geometry = geometrie;
    }
    const attribut = geometrie.getAttribute('position');
    attribut.array.set(centres);
    attribut.clearUpdateRanges();
    attribut.addUpdateRange(0, centres.length);
    attribut.needsUpdate = true;
    geometrie.setDrawRange(0, n);
  }

  poserTaille(taille) {
    if (taille.every((v, i) => v === this.taille[i])) return;
    this.taille = taille;
    this.poserContour();
  }

  // Kept at the window's 5:4, as large as the page allows.
  ajuster() {
    const largeur = Math.min(window.innerWidth, window.innerHeight * this.fenetre.aspect);
    const hauteur = largeur / this.fenetre.aspect;
    this.rendu.setPixelRatio(window.devicePixelRatio);
    this.rendu.setSize(Math.floor(largeur), Math.floor(hauteur));
  }

  // The window's camera: its projection, then the turn about the vertical axis and the tank
  // centred on it (integer halves, as the window computes them).
  matrices() {
    const [x, y, z] = this.taille;
    const demiY = Math.trunc(y / 2);
    const camera = regard(new THREE.Vector3(Math.trunc(x / 2), demiY, z * 1.5),
      new THREE.Vector3(0, demiY, 0));
    const projection = perspective(this.focale, this.fenetre.aspect, this.fenetre.near, this.fenetre.far);
    this.communs.projection.value.copy(projection);
    const taille = this.rendu.getDrawingBufferSize(new THREE.Vector2());
    this.communs.pixelsParUnite.value = (projection.elements[5] * taille.y) / 2;
    this.communs.profondeur.value.set(projection.elements[10], projection.elements[14]);
    this.communs.vue.value.copy(camera)
      .multiply(new THREE.Matrix4().makeRotationY((this.rotation * Math.PI) / 180))
      .multiply(new THREE.Matrix4().makeTranslation(Math.trunc(-x / 2), 0, Math.trunc(-z / 2)));
    const e = camera.elements;
    this.communs.lumiere.value.set(e[8], e[9], e[10]).normalize();
  }

  // Where a point of the tank is drawn, in the canvas's CSS pixels from its top left corner;
  // null behind the eye.
  aLEcran(x, y, z) {
    const p = new THREE.Vector4(x, y, z, 1).applyMatrix4(this.communs.vue.value)
      .applyMatrix4(this.communs.projection.value);
    if (p.w <= 0) return null;
    return [((p.x / p.w + 1) / 2) * this.toile.clientWidth,
      ((1 - p.y / p.w) / 2) * this.toile.clientHeight];
  }

  dessiner(secondes) {
    if (this.tourne) this.rotation += this.tourParSeconde * secondes;
    this.matrices();
    this.rendu.render(this.scene, this.camera);
  }

  changerFocale(focale) {
    this.focale = Math.min(this.fenetre.focalMax, Math.max(0, focale));
  }

  ecouter() {
    this.ajuster();
    window.addEventListener('resize', () => this.ajuster());
    window.addEventListener('keydown', (e) => {
      if (e.target instanceof HTMLInputElement || e.target instanceof HTMLSelectElement) return;
      if (e.key === 'b') this.changerFocale(this.focale + this.fenetre.focalStep);
      else if (e.key === 'n') this.changerFocale(this.focale - this.fenetre.focalStep);
      else if (e.key === 'r') this.tourne = !this.tourne;
    });
    this.toile.addEventListener('wheel', (e) => {
      e.preventDefault();
      if (e.deltaY !== 0) this.changerFocale(this.focale + Math.sign(e.deltaY) * this.fenetre.focalStep);
    }, { passive: false });
    // Folded once, as the window does.
    let xAncien = null;
    this.toile.addEventListener('pointerdown', (e) => {
      xAncien = e.clientX;
      this.toile.setPointerCapture(e.pointerId);
    });
    this.toile.addEventListener('pointerup', () => { xAncien = null; });
    this.toile.addEventListener('pointermove', (e) => {
      if (xAncien === null) return;
      // The window's drag counts its own pixels.
      const echelle = this.fenetre.width / this.toile.clientWidth;
      let angle = this.rotation + (e.clientX - xAncien) * echelle;
      if (angle >= 360) angle -= 360;
      if (angle < 0) angle += 360;
      this.rotation = angle;
      xAncien = e.clientX;
    });
  }
}
