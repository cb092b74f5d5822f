// Tonbrook's host in the browser: runs tonbrook.wasm (the application and
// the platform built for wasm32-wasi, its waits unwound by binaryen's
// asyncify) and is its handheld: the canvas is the screen, pointer events
// the stylus, the keyboard its keys, an AudioWorklet its wave device.
//
// What the module and the host give each other:
//   imports "tonbrook":  present(pixels)        draws the 240 x 320 screen,
//                                               0x00RRGGBB words at pixels
//                        wait(ms) -> 0          returns when input came or
//                                               ms passed (-1: input only)
//                        wave_open() -> 0 / 1   1 where there is Web Audio
//                        wave_play(ptr, bytes, running)
//                                               loops the 16-bit samples,
//                                               held in silence while not
//                                               running
//                        wave_run(running)      holds them (0) or goes on (1)
//                        wave_stop()
//   imports "wasi_snapshot_preview1": the calls below
//   exports: memory, _initialize (a reactor's: the static constructors),
//            tonbrook_start() -> exit code (the program, which returns
//            when it ends), tonbrook_unwind_buffer() -> address of
//            kUnwindBytes bytes for asyncify, tonbrook_input(kind, x, y,
//            key, ctrl), tonbrook_wave_passes(n), and asyncify's four.
//            The host calls the last two only from inside wait, as it
//            returns (see Asyncify).
const kWidth = 240;
const kHeight = 320;
const kUnwindBytes = 65536;
const kInput = { down: 1, move: 2, up: 3, keyDown: 4, keyUp: 5 };
// Keys the handheld has, by KeyboardEvent.key, as virtual-key codes;
// letters and digits are their upper-case character codes.
const kKeys = {
  Backspace: 8, Tab: 9, Enter: 13, Escape: 27, ' ': 32, PageUp: 33, PageDown: 34, End: 35, Home: 36,
  ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Delete: 46,
};

const canvas = document.getElementById('screen');
const context2d = canvas.getContext('2d');
const image = context2d.createImageData(kWidth, kHeight);
const notice = document.getElementById('notice');
const ended = document.getElementById('ended');

function say(line) {
  notice.textContent = line;
  notice.hidden = false;
}

// The largest whole number of device pixels per screen pixel that fits.
function fit() {
  const ratio = window.devicePixelRatio || 1;
  const scale = Math.max(1, Math.floor(Math.min(window.innerWidth * ratio / kWidth,
                                                window.innerHeight * ratio / kHeight)));
  canvas.style.width = `${kWidth * scale / ratio}px`;
  canvas.style.height = `${kHeight * scale / ratio}px`;
}

// Asyncify: an import that has to wait gives a promise; the module unwinds
// its stack into the unwind buffer and returns, the host waits, then
// rewinds, and the call starts again and lands back in the import, which
// now returns the promise's value. While the module is unwound its stack in
// memory is kept as it was, but not in use: nothing may call into it then.
// What the page has for it meanwhile (input, the worklet's passes) waits in
// a queue that the import hands over as it returns, from inside the module.
class Asyncify {
  constructor() {
    this.exports = null;
    this.buffer = 0;
    this.pending = null;
    this.value = 0;
    this.rewinding = false;
    this.calls = [];
  }

  // Calls into the module at the end of the wait in progress.
  later(call) {
    this.calls.push(call);
  }

  deliver() {
    while (this.calls.length) this.calls.shift()();
  }

  attach(exports) {
    this.exports = exports;
    this.buffer = exports.tonbrook_unwind_buffer();
    const words = new Uint32Array(exports.memory.buffer, this.buffer, 2);
    words[0] = this.buffer + 8;
    words[1] = this.buffer + kUnwindBytes;
  }

  wrap(fn) {
    return (...args) => {
      if (this.rewinding) {
        this.exports.asyncify_stop_rewind();
        this.rewinding = false;
        this.deliver();
        return this.value;
      }
      const result = fn(...args);
      if (!(result instanceof Promise)) return result;
      const words = new Uint32Array(this.exports.memory.buffer, this.buffer, 1);
      words[0] = this.buffer + 8;
      this.pending = result;
      this.exports.asyncify_start_unwind(this.buffer);
      return 0;
    };
  }

  async run(fn) {
    for (;;) {
      fn();
      if (!this.pending) return;
      this.exports.asyncify_stop_unwind();
      this.value = await this.pending;
      this.pending = null;
      this.rewinding = true;
      this.exports.asyncify_start_rewind(this.buffer);
    }
  }
}

// The end of the program, from proc_exit.
class Exit {
  constructor(code) {
    this.code = code;
  }
}

// The wave device's output. The context can only start on a user gesture,
// so the device opens without it and the first tap creates it.
class Wave {
  constructor() {
    this.context = null;
    this.node = null;
    this.loop = null; // { ptr, bytes, sent }
    this.running = true;
    this.onPasses = null;
  }

  available() {
    return typeof AudioContext === 'function' && typeof AudioWorkletNode === 'function';
  }

  async start() {
    if (this.context || !this.available()) return;
    try {
      this.context = new AudioContext({ sampleRate: 44100 });
      await this.context.audioWorklet.addModule('worklet.js');
      this.node = new AudioWorkletNode(this.context, 'tonbrook-loop', { outputChannelCount: [1] });
      this.node.port.onmessage = (event) => this.onPasses?.(event.data.passes);
      this.node.connect(this.context.destination);
      await this.context.resume();
      if (this.loop) this.node.port.postMessage({ play: this.loop.sent, running: this.running });
    } catch (error) {
      this.node = null;
      say(`Tonbrook plays silently: the browser's audio did not start (${error.message}).`);
    }
  }

  play(memory, ptr, bytes, running) {
    this.loop = { ptr, bytes, sent: new Int16Array(memory.buffer.slice(ptr, ptr + bytes)) };
    this.running = running;
    this.node?.port.postMessage({ play: this.loop.sent, running });
  }

  run(running) {
    this.running = running;
    this.node?.port.postMessage({ running });
  }

  stop() {
    this.loop = null;
    this.node?.port.postMessage({ stop: true });
  }

  // Posts the loop buffer again when the application has rewritten it. The
  // application only runs between two of its waits, so the host compares
  // as each wait begins: a rewrite goes to the worklet as soon as it is
  // made, and nothing runs while the application sleeps.
  watch(memory) {
    if (!this.loop) return;
    const now = new Int16Array(memory.buffer, this.loop.ptr, this.loop.bytes >> 1);
    const sent = this.loop.sent;
    for (let i = 0; i < now.length; i++) {
      if (now[i] !== sent[i]) {
        this.loop.sent = now.slice();
        this.node?.port.postMessage({ rewrite: this.loop.sent });
        return;
      }
    }
  }
}

// The system calls the module makes: its output goes to the console, its
// clocks are the page's, it has no files and no environment.
function wasiImports(memory) {
  const kSuccess = 0;
  const kBadFile = 8;
  const lines = { 1: '', 2: '' };
  // One view of the memory for all the calls, made again when it grows.
  let dataView = null;
  const view = () => {
    if (dataView?.buffer !== memory().buffer) dataView = new DataView(memory().buffer);
    return dataView;
  };
  return {
    args_sizes_get: (argc, size) => {
      view().setUint32(argc, 1, true);
      view().setUint32(size, 9, true);
      return kSuccess;
    },
    args_get: (argv, buffer) => {
      view().setUint32(argv, buffer, true);
      new Uint8Array(memory().buffer, buffer, 9).set(new TextEncoder().encode('tonbrook\0'));
      return kSuccess;
    },
    environ_sizes_get: (count, size) => {
      view().setUint32(count, 0, true);
      view().setUint32(size, 0, true);
      return kSuccess;
    },
    environ_get: () => kSuccess,
    clock_time_get: (id, precision, time) => {
      const ms = id === 0 ? Date.now() : performance.now();
      view().setBigUint64(time, BigInt(Math.round(ms * 1e6)), true);
      return kSuccess;
    },
    random_get: (buffer, length) => {
      crypto.getRandomValues(new Uint8Array(memory().buffer, buffer, length));
      return kSuccess;
    },
    fd_write: (fd, iovs, count, written) => {
      if (fd !== 1 && fd !== 2) return kBadFile;
      let total = 0;
      for (let i = 0; i < count; i++) {
        const ptr = view().getUint32(iovs + i * 8, true);
        const length = view().getUint32(iovs + i * 8 + 4, true);
        lines[fd] += new TextDecoder().decode(new Uint8Array(memory().buffer, ptr, length));
        total += length;
      }
      const parts = lines[fd].split('\n');
      lines[fd] = parts.pop();
      for (const line of parts) (fd === 2 ? console.error : console.log)(line);
      view().setUint32(written, total, true);
      return kSuccess;
    },
    fd_close: () => kBadFile,
    fd_seek: () => kBadFile,
    // Standard output and error are a terminal's, so the C library writes
    // them line by line; there are no other files.
    fd_fdstat_get: (fd, stat) => {
      if (fd !== 1 && fd !== 2) return kBadFile;
      const kCharacterDevice = 2;
      view().setUint8(stat, kCharacterDevice);
      view().setUint16(stat + 2, 0, true);
      view().setBigUint64(stat + 8, 0n, true);
      view().setBigUint64(stat + 16, 0n, true);
      return kSuccess;
    },
    proc_exit: (code) => {
      throw new Exit(code);
    },
  };
}

async function run() {
  const asyncify = new Asyncify();
  const wave = new Wave();
  let exports = null;
  let wake = null;
  const memory = () => exports.memory;

  // Input goes to the module as its wait ends, which it makes end now.
  const input = (kind, x, y, key, ctrl) => {
    if (!exports) return;
    asyncify.later(() => exports.tonbrook_input(kind, x, y, key, ctrl ? 1 : 0));
    wake?.();
  };

  const imports = {
    wasi_snapshot_preview1: wasiImports(memory),
    tonbrook: {
      present: (pixels) => {
        const words = new Uint32Array(memory().buffer, pixels, kWidth * kHeight);
        const rgba = image.data;
        for (let i = 0; i < words.length; i++) {
          const px = words[i];
          rgba[i * 4] = (px >> 16) & 0xff;
          rgba[i * 4 + 1] = (px >> 8) & 0xff;
          rgba[i * 4 + 2] = px & 0xff;
          rgba[i * 4 + 3] = 0xff;
        }
        context2d.putImageData(image, 0, 0);
        // The first frame's time since navigation, for measuring the start.
        if (!performance.getEntriesByName('tonbrook-first-frame').length) performance.mark('tonbrook-first-frame');
      },
      wait: asyncify.wrap((ms) => new Promise((resolve) => {
        wave.watch(memory());
        const timer = ms >= 0 ? setTimeout(() => { wake = null; resolve(0); }, ms) : 0;
        wake = () => {
          clearTimeout(timer);
          wake = null;
          resolve(0);
        };
      })),
      wave_open: () => (wave.available() ? 1 : 0),
      wave_play: (ptr, bytes, running) => wave.play(memory(), ptr, bytes, running !== 0),
      wave_run: (running) => wave.run(running !== 0),
      wave_stop: () => wave.stop(),
    },
  };

  const { instance } = await WebAssembly.instantiateStreaming(fetch('tonbrook.wasm'), imports);
  exports = instance.exports;
  asyncify.attach(exports);
  // The worklet's passes move the wave device on, which may post its
  // notifications: a wait in progress ends for them.
  wave.onPasses = (n) => {
    if (!exports) return;
    asyncify.later(() => exports.tonbrook_wave_passes(n));
    wake?.();
  };

  const at = (event) => {
    const rect = canvas.getBoundingClientRect();
    return [Math.floor((event.clientX - rect.left) * kWidth / rect.width),
            Math.floor((event.clientY - rect.top) * kHeight / rect.height)];
  };
  canvas.addEventListener('pointerdown', (event) => {
    canvas.setPointerCapture(event.pointerId);
    canvas.focus();
    wave.start();
    input(kInput.down, ...at(event), 0, false);
    event.preventDefault();
  });
  canvas.addEventListener('pointermove', (event) => {
    if (canvas.hasPointerCapture(event.pointerId)) input(kInput.move, ...at(event), 0, false);
  });
  for (const type of ['pointerup', 'pointercancel']) {
    canvas.addEventListener(type, (event) => {
      if (!canvas.hasPointerCapture(event.pointerId)) return;
      input(kInput.up, ...at(event), 0, false);
      canvas.releasePointerCapture(event.pointerId);
    });
  }
  const key = (kind) => (event) => {
    const vk = kKeys[event.key] ?? (/^[a-z0-9]$/i.test(event.key) ? event.key.toUpperCase().charCodeAt(0) : 0);
    if (!vk || event.altKey || event.metaKey) return;
    input(kind, 0, 0, vk, event.ctrlKey);
    event.preventDefault();
  };
  window.addEventListener('keydown', key(kInput.keyDown));
  window.addEventListener('keyup', key(kInput.keyUp));

  try {
    exports._initialize();
    await asyncify.run(() => exports.tonbrook_start());
  } catch (error) {
    if (!(error instanceof Exit)) throw error;
  } finally {
    wave.stop();
    exports = null;
  }
}

function showEnded() {
  canvas.hidden = true;
  ended.hidden = false;
}

document.getElementById('restart').addEventListener('click', () => location.reload());
window.addEventListener('resize', fit);
fit();
navigator.serviceWorker?.register('sw.js')
  .catch((error) => console.warn(`Tonbrook will not start offline: ${error.message}`));

// One Tonbrook per browser: a second tab holds no lock and plays nothing.
if (!navigator.locks) {
  run().then(showEnded, (error) => say(`Tonbrook stopped: ${error.message}`));
} else {
  navigator.locks.request('tonbrook', { ifAvailable: true }, async (lock) => {
    if (!lock) {
      say('Tonbrook is open in another tab.');
      return;
    }
    try {
      await run();
      showEnded();
    } catch (error) {
      say(`Tonbrook stopped: ${error.message}`);
    }
  });
}
