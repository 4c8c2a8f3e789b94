// PNG files read into RGB pixels, for comparing a canvas screenshot with a desktop capture:
// 8-bit greyscale, RGB, RGBA and palette images, not interlaced (what libpng and Chromium write).
import { inflateSync } from 'node:zlib';

// readPng(bytes): { width, height, rgb } with rgb 3 bytes per pixel, row by row; throws on a
// file it cannot read.
export function readPng(bytes) {
    if (bytes.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG file');
    let offset = 8;
    let header = null;
    let palette = null;
    const data = [];
    while (offset < bytes.length) {
        const length = bytes.readUInt32BE(offset);
        const type = bytes.toString('latin1', offset + 4, offset + 8);
        const body = bytes.subarray(offset + 8, offset + 8 + length);
        if (type === 'IHDR') {
            header = { width: body.readUInt32BE(0), height: body.readUInt32BE(4), depth: body[8],
                colour: body[9], interlace: body[12] };
        } else if (type === 'PLTE') {
            palette = body;
        } else if (type === 'IDAT') {
            data.push(body);
        } else if (type === 'IEND') {
            break;
        }
        offset += 12 + length;
    }
    const channels = { 0: 1, 2: 3, 3: 1, 6: 4 }[header?.colour];
    if (!header || header.depth !== 8 || header.interlace !== 0 || !channels) {
        throw new Error(`unsupported PNG layout ${JSON.stringify(header)}`);
    }
    const { width, height } = header;
    const raw = inflateSync(Buffer.concat(data));
    const stride = width * channels;
    const rows = Buffer.alloc(stride * height);
    // Undo each row's filter (the PNG format's five row filters).
    for (let y = 0; y < height; y++) {
        const filter = raw[y * (stride + 1)];
        const source = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
        const row = rows.subarray(y * stride, (y + 1) * stride);
        const above = y > 0 ? rows.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
        for (let x = 0; x < stride; x++) {
            const a = x >= channels ? row[x - channels] : 0;
            const b = above[x];
            const c = x >= channels ? above[x - channels] : 0;
            let predictor = 0;
            if (filter === 1) predictor = a;
            else if (filter === 2) predictor = b;
            else if (filter === 3) predictor = (a + b) >> 1;
            else if (filter === 4) {
                const p = a + b - c;
                const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
                predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            } else if (filter !== 0) throw new Error(`bad PNG row filter ${filter}`);
            row[x] = (source[x] + predictor) & 0xff;
        }
    }
    const rgb = Buffer.alloc(width * height * 3);
    for (let i = 0; i < width * height; i++) {
        if (header.colour === 3) palette.copy(rgb, i * 3, rows[i] * 3, rows[i] * 3 + 3);
        else if (channels === 1) rgb.fill(rows[i], i * 3, i * 3 + 3);
        else rows.copy(rgb, i * 3, i * channels, i * channels + 3);
    }
    return { width, height, rgb };
}

// pixelDifference(a, b): how two pictures of one size differ: the number of pixels whose
// colour differs, the largest difference of a channel, and the first such pixel; throws when
// the sizes differ.
export function pixelDifference(a, b) {
    if (a.width !== b.width || a.height !== b.height) {
        throw new Error(`the sizes differ: ${a.width}x${a.height} and ${b.width}x${b.height}`);
    }
    let pixels = 0, largest = 0, first = null;
    for (let i = 0; i < a.width * a.height; i++) {
        let worst = 0;
        for (let c = 0; c < 3; c++) worst = Math.max(worst, Math.abs(a.rgb[i * 3 + c] - b.rgb[i * 3 + c]));
        if (worst === 0) continue;
        pixels++;
        largest = Math.max(largest, worst);
        if (!first) {
            first = { x: i % a.width, y: Math.floor(i / a.width),
                a: [...a.rgb.subarray(i * 3, i * 3 + 3)], b: [...b.rgb.subarray(i * 3, i * 3 + 3)] };
        }
    }
    return { pixels, largest, first };
}
