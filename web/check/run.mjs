// Runs the browser build's tonbrook-check.wasm under Node's WASI and checks
// it against the Linux build: each loop buffer byte for byte with what
// tonbrook-render writes for the same waveform, frequency, rate, length and
// tick, the linked resources' strings, and the glyph table's faces as text
// draws them with what the Linux build's FreeType typefaces render.
//   node web/check/run.mjs BUILD-WEB/tonbrook-check.wasm BUILD/tonbrook-render \
//        BUILD/platform/gdi/tonbrook-glyphs
import { execFileSync } from 'node:child_process';
import { closeSync, mkdtempSync, openSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { WASI } from 'node:wasi';

const [wasmPath, renderPath, glyphsPath] = process.argv.slice(2);
if (!wasmPath || !renderPath || !glyphsPath) {
  console.error('usage: node run.mjs tonbrook-check.wasm tonbrook-render tonbrook-glyphs');
  process.exit(2);
}
const module = await WebAssembly.compile(readFileSync(wasmPath));
const folder = mkdtempSync(join(tmpdir(), 'tonbrook-check-'));

// Runs the check with args; returns its exit status and standard output.
async function check(args) {
  const path = join(folder, 'out');
  const fd = openSync(path, 'w');
  const wasi = new WASI({ version: 'preview1', args: ['tonbrook-check', ...args], stdout: fd, returnOnExit: true });
  const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
  const status = wasi.start(instance);
  closeSync(fd);
  return { status, output: readFileSync(path) };
}

// Waveform codes: 1 impulse, 2 sweep, 3 sine, 4 white, 5 sawtooth,
// 6 square, 7 pink, 9 triangle.
const renders = [
  ['3', '500', '44100', '8192', '0'],
  ['3', '1234.5', '48000', '4096', '0'],
  ['6', '440', '44100', '8192', '0'],
  ['9', '20000', '44100', '8192', '0'],
  ['5', '100', '22050', '1000', '0'],
  ['1', '500', '44100', '8192', '0'],
  ['2', '500', '44100', '8192', '0'],
  ['4', '500', '44100', '8192', '123456'],
  ['7', '500', '44100', '8192', '987654321'],
  ['7', '500', '8000', '65536', '4294967295'],
];
const strings = [['1', 'Tonbrook'], ['2', 'Frequency (Hz)'], ['40006', 'File']];

let failed = 0;
for (const [code, hz, rate, length, tick] of renders) {
  const name = `waveform ${code} at ${hz} Hz, ${rate}/s, ${length} samples, tick ${tick}`;
  const expected = execFileSync(renderPath, [code, hz, '--rate', rate, '--length', length, '--tick', tick,
                                             '--raw', '-o', '-', '-q']);
  const { status, output } = await check(['render', code, hz, rate, length, tick]);
  const same = status === 0 && output.length === Number(length) * 2 && output.equals(expected);
  console.log(`${same ? 'same' : 'DIFFERENT'}: ${name}`);
  failed += !same;
}
for (const [id, text] of strings) {
  const { status, output } = await check(['string', id]);
  const same = status === 0 && output.toString() === `${text}\n`;
  console.log(`${same ? 'same' : 'DIFFERENT'}: string ${id} ${JSON.stringify(output.toString())}`);
  failed += !same;
}
{
  const { status, output } = await check(['glyphs']);
  const same = status === 0 && output.equals(execFileSync(glyphsPath, ['--list'], { maxBuffer: 1 << 24 }));
  console.log(`${same ? 'same' : 'DIFFERENT'}: the glyph table's faces`);
  failed += !same;
}
rmSync(folder, { recursive: true });
process.exit(failed ? 1 : 0);
