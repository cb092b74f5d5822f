// The wave device's output: plays a loop buffer of 16-bit samples, each
// divided by 32768, from its start, round and round, until told to stop.
// Messages in: { play: Int16Array, running } starts a buffer from its first
// sample, or holds it there in silence when running is false;
// { running } holds the buffer where it is in silence (false) or goes on
// from there (true); { rewrite: Int16Array } puts new samples in place of
// the playing ones without moving the position (the application rewrites
// its loop buffer as it plays); { stop: true } falls silent. Messages out:
// { passes: n } each time the loop comes round, with the passes played
// since play.

// The samples as the output takes them, each int16 divided by 32768
// (exact in single precision), converted once for all the passes.
function levels(samples) {
  return Float32Array.from(samples, (sample) => sample / 32768);
}

class LoopProcessor extends AudioWorkletProcessor {
  constructor() {
    super();
    this.samples = null;
    this.position = 0;
    this.passes = 0;
    this.running = true;
    this.port.onmessage = (event) => {
      const message = event.data;
      if (typeof message.running === 'boolean') this.running = message.running;
      if (message.play) {
        this.samples = levels(message.play);
        this.position = 0;
        this.passes = 0;
      } else if (message.rewrite && this.samples && message.rewrite.length === this.samples.length) {
        this.samples = levels(message.rewrite);
      } else if (message.stop) {
        this.samples = null;
      }
    };
  }

  process(inputs, outputs) {
    const out = outputs[0][0];
    const samples = this.samples;
    if (!samples || samples.length === 0 || !this.running) {
      out.fill(0);
      return true;
    }
    for (let i = 0; i < out.length;) {
      const n = Math.min(out.length - i, samples.length - this.position);
      out.set(samples.subarray(this.position, this.position + n), i);
      i += n;
      this.position += n;
      if (this.position === samples.length) {
        this.position = 0;
        this.port.postMessage({ passes: ++this.passes });
      }
    }
    return true;
  }
}

registerProcessor('tonbrook-loop', LoopProcessor);
