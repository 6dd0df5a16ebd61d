// The page's snapshot converter, run as a worker so that a snapshot costs the frames nothing:
// it turns the TGA picture the demo writes into a PNG (which every browser and viewer shows).
// In: {name, bytes} (the TGA). Out: {name, png} (a Blob), or {name, width, height, rgba} where
// the worker has no OffscreenCanvas (the page then encodes it), or {name} when the bytes are not
// a TGA it reads.
'use strict';

// An uncompressed 24- or 32-bit TGA (as the snapshot writes it) as red, green, blue, alpha rows,
// top row first; null for anything else.
function TgaToRgba(bytes) {
  if (bytes.length < 18 || bytes[1] !== 0 || bytes[2] !== 2) return null;
  const width = bytes[12] | bytes[13] << 8;
  const height = bytes[14] | bytes[15] << 8;
  const size = bytes[16] / 8;
  const topDown = (bytes[17] & 0x20) !== 0;
  const start = 18 + bytes[0];
  if ((size !== 3 && size !== 4) || !width || !height ||
      bytes.length < start + width * height * size) return null;
  const rgba = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    const row = start + (topDown ? y : height - 1 - y) * width * size;
    for (let x = 0; x < width; x++) {
      const from = row + x * size;
      const to = (y * width + x) * 4;
      rgba[to] = bytes[from + 2];
      rgba[to + 1] = bytes[from + 1];
      rgba[to + 2] = bytes[from];
      rgba[to + 3] = 255;
    }
  }
  return {width, height, rgba};
}

self.onmessage = async (event) => {
  const {name, bytes} = event.data;
  const picture = TgaToRgba(bytes);
  if (!picture) {
    self.postMessage({name});
    return;
  }
  if (typeof OffscreenCanvas === 'undefined') {
    self.postMessage({name, ...picture}, [picture.rgba.buffer]);
    return;
  }
  const canvas = new OffscreenCanvas(picture.width, picture.height);
  canvas.getContext('2d').putImageData(new ImageData(picture.rgba, picture.width, picture.height), 0, 0);
  self.postMessage({name, png: await canvas.convertToBlob({type: 'image/png'})});
};
