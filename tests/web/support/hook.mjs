// The page's test hook (index.html?test defines window.brilloxTest): one run of the game with
// the given command line and files, its result carried back into Node. Bytes cross the
// DevTools connection as base64 text.
import { evidence, LOAD_LIMIT_MS, waitFor } from './browser.mjs';

// How long one scripted game may take in the browser: the recorded solutions of all levels
// play thousands of frames, which took about six minutes here under load.
export const RUN_LIMIT_MS = 1_200_000;

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
    // The run starts in the page and keeps its result there; the wait below asks for it, so no
    // single call to the page lasts as long as a game.
    await page.evaluate((request) => {
        const decode = (files) => Object.fromEntries(Object.entries(files).map(([name, text]) =>
            [name, Uint8Array.from(atob(text), (c) => c.charCodeAt(0))]));
        const options = { args: request.args, files: decode(request.files),
            playerFiles: decode(request.playerFiles) };
        if (Object.keys(request.dataFiles).length > 0) options.dataFiles = decode(request.dataFiles);
        if (request.failStores) options.failStores = request.failStores;
        window.brilloxTestRun = { done: false };
        window.brilloxTest.run(options).then((result) => {
            const encoded = {};
            for (const [name, bytes] of Object.entries(result.files ?? {})) {
                let text = '';
                const data = typeof bytes === 'string' ? new TextEncoder().encode(bytes) : bytes;
                for (let i = 0; i < data.length; i += 0x8000) {
                    text += String.fromCharCode(...data.subarray(i, i + 0x8000));
                }
                encoded[name] = btoa(text);
            }
            window.brilloxTestRun = { done: true, result: { status: result.status,
                stdout: result.stdout ?? '', stderr: result.stderr ?? '', files: encoded } };
        }, (error) => {
            window.brilloxTestRun = { done: true, error: String(error?.stack ?? error) };
        });
    }, { args: request.args, files: encode(request.files), playerFiles: encode(request.playerFiles),
        dataFiles: encode(request.dataFiles), failStores: request.failStores ?? 0 });
    const outcome = await waitFor(page, log, 'the end of the game\'s run in the page',
        () => page.evaluate(() => (window.brilloxTestRun.done ? window.brilloxTestRun : null)),
        RUN_LIMIT_MS);
    if (outcome.error) {
        throw new Error(`the game's run in the page failed: ${outcome.error}\n  ${await evidence(page, log)}`);
    }
    const result = outcome.result;
    result.files = Object.fromEntries(Object.entries(result.files).map(([name, text]) =>
        [name, Buffer.from(text, 'base64')]));
    return result;
}
