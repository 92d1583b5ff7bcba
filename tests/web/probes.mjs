// Functions that run in the page, shared by the playwright and the WebKit
// tests (each driver sends a function's source and its arguments).

// The canvas's pixels as a hash of its RGBA bytes and its size.
export function canvasHash() {
  const c = document.getElementById('screen');
  const data = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let hash = 2166136261;
  for (let i = 0; i < data.length; i++) hash = Math.imul(hash ^ data[i], 16777619) >>> 0;
  return `${c.width}x${c.height} ${hash}`;
}

// How many of the canvas's pixels differ in colour from the PNG given in
// base64; -1 when the sizes differ.
export async function pixelsDiffering(png) {
  const image = new Image();
  image.src = `data:image/png;base64,${png}`;
  await image.decode();
  const c = document.getElementById('screen');
  if (image.width !== c.width || image.height !== c.height) return -1;
  const drawn = new OffscreenCanvas(image.width, image.height).getContext('2d');
  drawn.drawImage(image, 0, 0);
  const want = drawn.getImageData(0, 0, c.width, c.height).data;
  const got = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let count = 0;
  for (let i = 0; i < got.length; i += 4) {
    if (got[i] !== want[i] || got[i + 1] !== want[i + 1] || got[i + 2] !== want[i + 2]) count++;
  }
  return count;
}
