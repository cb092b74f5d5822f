// Runs the browser build's tonbrook-check.wasm under Node's WASI and checks
// it against the Linux build: each loop buffer byte for byte with what
// tonbrook-render writes for the same waveform, frequency, rate, length and
// tick, the linked resources' strings, and the glyph table's faces as text
// draws them with what the Linux build's FreeType typefaces render. Then
// the wave device's pause, restart and reset, as the desktop's core has
// them, through what the page's worklet is told.
//   node web/check/run.mjs BUILD-WEB/tonbrook-check.wasm BUILD/tonbrook-render \
//        BUILD/platform/gdi/tonbrook-glyphs
import { execFileSync } from 'node:child_process';
import { closeSync, mkdtempSync, openSync, readFileSync, rmSync, writeSync } from 'node:fs';
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

// The page's side of the wave device: what the worklet is told goes to the
// check's output, among its own lines.
function page(fd) {
  const say = (line) => writeSync(fd, `${line}\n`);
  return {
    wave_open: () => 1,
    wave_play: (ptr, bytes, running) => say(`worklet: play ${bytes} bytes${running ? '' : ', held'}`),
    wave_run: (running) => say(`worklet: ${running ? 'go on' : 'hold'}`),
    wave_stop: () => say('worklet: stop'),
  };
}

// Runs the check with args; returns its exit status and standard output.
async function check(args) {
  const path = join(folder, 'out');
  const fd = openSync(path, 'w');
  const wasi = new WASI({ version: 'preview1', args: ['tonbrook-check', ...args], stdout: fd, returnOnExit: true });
  const instance = await WebAssembly.instantiate(module, { ...wasi.getImportObject(), tonbrook: page(fd) });
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

// A block of three passes: a pause holds the worklet where it is and the
// core counts no pass until the restart, but a pass played just before the
// pause; a block written while paused waits, held, for the restart, and a
// reset, which restarts the device, returns it.
const kWave = `posted MM_WOM_OPEN
open = 0, idle
prepare = 0, idle
worklet: play 128 bytes
write = 0, queued
1 pass = 0, queued
worklet: hold
pause = 0, queued
2 passes, played before the pause = 0, queued
worklet: go on
restart = 0, queued
posted MM_WOM_DONE
worklet: stop
3 passes = 0, done
pause = 0, done
worklet: play 128 bytes, held
write while paused = 0, queued
1 pass = 0, queued
posted MM_WOM_DONE
worklet: stop
reset = 0, done
worklet: play 128 bytes
write = 0, queued
posted MM_WOM_DONE
worklet: stop
reset = 0, done
unprepare = 0, done
posted MM_WOM_CLOSE
close = 0, done
`;

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
{
  const { status, output } = await check(['wave']);
  const same = status === 0 && output.toString() === kWave;
  console.log(`${same ? 'same' : 'DIFFERENT'}: the wave device's pause and restart`);
  if (!same) console.log(output.toString());
  failed += !same;
}
rmSync(folder, { recursive: true });
process.exit(failed ? 1 : 0);
