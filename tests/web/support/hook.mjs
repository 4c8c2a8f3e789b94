// The page's test hook (index.html?test defines window.brilloxTest): one run of the game with
// the given command line and files, its result carried back into Node. Bytes cross the
// DevTools connection as base64 text.
import { evidence, LOAD_LIMIT_MS, waitFor } from './browser.mjs';

// How long one scripted game may take in the browser: the longest scripts play minutes of
// virtual time, which the page plays as fast as SwiftShader draws.
export const RUN_LIMIT_MS = 600_000;

const toBase64 = (bytes) => Buffer.from(bytes).toString('base64');

// runInPage(page, log, {args, files, playerFiles, dataFiles, failStores}): waits for the hook,
// runs the game (files in its working folder, dataFiles in its data folder, playerFiles in the
// player's folder; the first failStores stores of the player's folder in IndexedDB fail), and
// returns {status, stdout, stderr, files} with files as Buffers by name.
export async function runInPage(page, log, request) {
    await waitFor(page, log, 'the test hook window.brilloxTest',
        () => page.evaluate(() => typeof window.brilloxTest?.run === 'function'), LOAD_LIMIT_MS);
    const encode = (files) => Object.fromEntries(
        Object.entries(files ?? {}).map(([name, bytes]) => [name, toBase64(bytes)]));
    const run = page.evaluate(async (request) => {
        const decode = (files) => Object.fromEntries(Object.entries(files).map(([name, text]) =>
            [name, Uint8Array.from(atob(text), (c) => c.charCodeAt(0))]));
        const options = { args: request.args, files: decode(request.files),
            playerFiles: decode(request.playerFiles) };
        if (Object.keys(request.dataFiles).length > 0) options.dataFiles = decode(request.dataFiles);
        if (request.failStores) options.failStores = request.failStores;
        const result = await window.brilloxTest.run(options);
        const encoded = {};
        for (const [name, bytes] of Object.entries(result.files ?? {})) {
            let text = '';
            const data = typeof bytes === 'string' ? new TextEncoder().encode(bytes) : bytes;
            for (let i = 0; i < data.length; i += 0x8000) {
                text += String.fromCharCode(...data.subarray(i, i + 0x8000));
            }
            encoded[name] = btoa(text);
        }
        return { status: result.status, stdout: result.stdout ?? '', stderr: result.stderr ?? '',
            files: encoded };
    }, { args: request.args, files: encode(request.files), playerFiles: encode(request.playerFiles),
        dataFiles: encode(request.dataFiles), failStores: request.failStores ?? 0 });
    let limit;
    const timeout = new Promise((_, reject) => {
        limit = setTimeout(() => reject(new Error('timeout')), RUN_LIMIT_MS);
    });
    let result;
    try {
        result = await Promise.race([run, timeout]);
    } catch (error) {
        throw new Error(`the game's run in the page ${error.message === 'timeout'
            ? `did not end within ${RUN_LIMIT_MS / 1000} s` : `failed: ${error.message}`}` +
            `\n  ${await evidence(page, log)}`);
    } finally {
        clearTimeout(limit);
    }
    result.files = Object.fromEntries(Object.entries(result.files).map(([name, text]) =>
        [name, Buffer.from(text, 'base64')]));
    return result;
}
