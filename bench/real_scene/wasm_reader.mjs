// zxing-cpp (npm's zxing-wasm) on 8-bit PGM frames, offline: the WASM file is
// read from the installed package, never fetched.
//
//   NODE_PATH=DIR/node_modules node wasm_reader.mjs MODULES_DIR FRAME...
//
// Every format, try harder, rotate, invert and downscale. Output as
// scanner-sim decode --time prints it: file<TAB>format<TAB>-<TAB>hex<TAB>ms
// per label, or file<TAB>-<TAB>ms. Each frame is read once before it is timed.
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const [modulesDir, ...frames] = process.argv.slice(2);
const pkg = join(modulesDir, "zxing-wasm");
const { prepareZXingModule, readBarcodes } = await import(pathToFileURL(join(pkg, "dist/es/reader/index.js")).href);
const wasmBinary = readFileSync(join(pkg, "dist/reader/zxing_reader.wasm"));
await prepareZXingModule({ overrides: { wasmBinary }, fireImmediately: true });

const options = {
  formats: [],
  tryHarder: true,
  tryRotate: true,
  tryInvert: true,
  tryDownscale: true,
  maxNumberOfSymbols: 255,
  textMode: "Plain",
};

function readPgm(path) {
  const bytes = readFileSync(path);
  // P5 header: magic, width, height, maxval, one whitespace byte
  let at = 0;
  const tokens = [];
  while (tokens.length < 4) {
    while (/\s/.test(String.fromCharCode(bytes[at]))) at++;
    if (bytes[at] === 0x23) {
      while (bytes[at] !== 0x0a) at++;
      continue;
    }
    let t = "";
    while (!/\s/.test(String.fromCharCode(bytes[at]))) t += String.fromCharCode(bytes[at++]);
    tokens.push(t);
  }
  at++;
  const width = +tokens[1];
  const height = +tokens[2];
  const grey = bytes.subarray(at, at + width * height);
  const data = new Uint8ClampedArray(width * height * 4);
  for (let i = 0; i < width * height; i++) {
    data[4 * i] = data[4 * i + 1] = data[4 * i + 2] = grey[i];
    data[4 * i + 3] = 255;
  }
  return { width, height, data };
}

const hex = (buf) => Buffer.from(buf).toString("hex").toUpperCase();

for (const path of frames) {
  let image;
  try {
    image = readPgm(path);
  } catch {
    console.log(`${path}\t-\t0`);
    continue;
  }
  let results = [];
  let ms = 0;
  for (let pass = 0; pass < 2; pass++) {
    const start = process.hrtime.bigint();
    results = await readBarcodes(image, options);
    ms = Number(process.hrtime.bigint() - start) / 1e6;
  }
  const valid = results.filter((r) => r.isValid);
  if (valid.length === 0) {
    console.log(`${path}\t-\t${ms.toFixed(3)}`);
  }
  for (const r of valid) {
    const text = r.text !== undefined ? Buffer.from(r.text, "utf8") : Buffer.from(r.bytes);
    console.log(`${path}\t${r.format}\t-\t${hex(text)}\t${ms.toFixed(3)}`);
  }
}
