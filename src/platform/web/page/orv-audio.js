// The page's audio output: plays the blocks of stereo 16-bit frames the demo sends, in order,
// and silence when none is waiting. It reports how many frames it has played, and at which
// moment of the audio clock the last of them will have been output.
class OrvOutput extends AudioWorkletProcessor {
  constructor() {
    super();
    this.blocks = [];
    this.position = 0; // in samples of the first block
    this.played = 0;   // frames of this playback output so far
    this.playback = 0;
    this.quanta = 0;
    this.port.onmessage = (event) => {
      const message = event.data;
      if (message.type === 'data') {
        this.blocks.push(message.samples);
      } else if (message.type === 'reset') {
        this.blocks = [];
        this.position = 0;
        this.played = 0;
        this.playback = message.playback;
      }
    };
  }

  process(inputs, outputs) {
    const left = outputs[0][0];
    const right = outputs[0][1] || left;
    let i = 0;
    while (i < left.length && this.blocks.length > 0) {
      const block = this.blocks[0];
      while (i < left.length && this.position < block.length) {
        left[i] = block[this.position] / 32768;
        right[i] = block[this.position + 1] / 32768;
        this.position += 2;
        i++;
      }
      if (this.position >= block.length) {
        this.blocks.shift();
        this.position = 0;
      }
    }
    this.played += i;
    for (; i < left.length; i++) {
      left[i] = 0;
      right[i] = 0;
    }
    // About every 12 ms: enough for the page to follow the sound within a frame.
    if ((++this.quanta & 3) === 0) {
      this.port.postMessage({playback: this.playback, played: this.played,
                             time: currentTime + left.length / sampleRate});
    }
    return true;
  }
}

registerProcessor('orv-output', OrvOutput);
