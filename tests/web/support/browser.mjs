// What every browser test needs: the page's folder served on 127.0.0.1 (static_server.mjs, a
// process of its own ended by its id), Debian's Chromium started headless through
// puppeteer-core with a profile folder of its own, the page's console kept, and waits for a
// condition that give up with what they saw.
//
// puppeteer-core is found in the node_modules folder named by BRILLOX_WEB_NODE_MODULES (the last
// line of scripts/web-node-deps), never downloaded and never a browser of its own.
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceRoot = path.resolve(here, '../../..');

// The page's folder (`make web` writes it); BRILLOX_WEB_DIR names another.
export const webDir = path.resolve(process.env.BRILLOX_WEB_DIR ?? path.join(sourceRoot, 'build/web'));

// Generous limits: the machine runs other builds and tests at the same time, and SwiftShader
// draws on the processor.
export const LOAD_LIMIT_MS = 120_000;
export const STEP_LIMIT_MS = 60_000;

let puppeteer = null;
export function loadPuppeteer() {
    if (puppeteer) return puppeteer;
    const modules = process.env.BRILLOX_WEB_NODE_MODULES;
    if (!modules) {
        throw new Error('BRILLOX_WEB_NODE_MODULES is not set: run the tests through make test-web, ' +
            'or set it to the last line of sh scripts/web-node-deps');
    }
    puppeteer = createRequire(path.join(modules, 'brillox-tests.cjs'))('puppeteer-core');
    return puppeteer;
}

// A scratch folder, removed by the returned function.
export function scratchFolder(name) {
    const folder = mkdtempSync(path.join(process.env.TMPDIR ?? tmpdir(), `brillox-web-${name}-`));
    return { folder, remove: () => rmSync(folder, { recursive: true, force: true }) };
}

// startServer(folder): { url, pid, stop() } once the server accepts connections.
export function startServer(folder = webDir) {
    const child = spawn(process.execPath, [path.join(here, 'static_server.mjs'), folder], {
        stdio: ['pipe', 'pipe', 'pipe'],
    });
    let output = '';
    return new Promise((resolve, reject) => {
        const limit = setTimeout(() => {
            child.kill('SIGTERM');
            reject(new Error(`the static server did not start within 30 s; it wrote: ${output}`));
        }, 30_000);
        child.stderr.on('data', (data) => (output += data));
        child.stdout.on('data', (data) => {
            output += data;
            const match = /listening (http:\S+)/.exec(output);
            if (!match) return;
            clearTimeout(limit);
            resolve({
                url: match[1],
                pid: child.pid,
                stop: () => new Promise((done) => {
                    if (child.exitCode !== null || child.signalCode !== null) return done();
                    child.once('exit', () => done());
                    process.kill(child.pid, 'SIGTERM');
                }),
            });
        });
        child.once('exit', (code, signal) => {
            clearTimeout(limit);
            reject(new Error(`the static server ended (${code ?? signal}) before it listened: ${output}`));
        });
    });
}

// The flags every test starts Chromium with: no sandbox (the tests run as root in CI), WebGL on
// SwiftShader (there is no GPU), sound allowed without a gesture, and none of Chromium's own
// connections to the outside, which this machine's closed network refuses.
export const CHROMIUM_FLAGS = [
    '--no-sandbox',
    '--use-angle=swiftshader',
    '--enable-unsafe-swiftshader',
    '--autoplay-policy=no-user-gesture-required',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
    '--no-first-run',
    '--disable-quic',
    '--disable-features=Translate,MediaRouter,OptimizationHints',
];

export const CHROMIUM = process.env.BRILLOX_CHROMIUM ?? '/usr/bin/chromium';

// launchBrowser({profile, args, width, height}): headless Chromium on the given profile folder
// (a test about persistence passes the same folder twice; the others a fresh one each).
export async function launchBrowser({ profile, args = [], width = 700, height = 520 } = {}) {
    return loadPuppeteer().launch({
        executablePath: CHROMIUM,
        headless: true,
        userDataDir: profile,
        args: [...CHROMIUM_FLAGS, ...args],
        defaultViewport: { width, height },
        protocolTimeout: 300_000,
    });
}

// watchPage(page): the page's console messages, uncaught errors and failed requests as lines,
// kept from now on; `lines` is the array, `text()` all of them for a message.
export function watchPage(page) {
    const lines = [];
    page.on('console', (message) => lines.push(`console.${message.type()}: ${message.text()}`));
    page.on('pageerror', (error) => lines.push(`page error: ${error.message}`));
    page.on('requestfailed', (request) =>
        lines.push(`request failed: ${request.url()} ${request.failure()?.errorText ?? ''}`));
    page.on('response', (response) => {
        if (response.status() >= 400) lines.push(`HTTP ${response.status()}: ${response.url()}`);
    });
    return { lines, text: () => lines.map((line) => '    ' + line).join('\n') || '    (nothing)' };
}

// evidence(page, log): what the page shows and said, for a failure message.
export async function evidence(page, log) {
    let status = '(no page)';
    try {
        status = await page.evaluate(() => {
            const element = document.getElementById('brillox-status');
            const text = (document.body?.innerText ?? '').trim().slice(0, 600);
            return `status element: ${element ? JSON.stringify(element.textContent) : 'none'}; ` +
                `page text: ${JSON.stringify(text)}`;
        });
    } catch (error) {
        status = `(the page could not be asked: ${error.message})`;
    }
    return `${status}\n  the console:\n${log ? log.text() : '    (not watched)'}`;
}

// hopeless(why): an error that a condition throws when what it waits for can no longer come
// (the game has ended, the page shows its message): the wait gives up at once.
export function hopeless(why) {
    return Object.assign(new Error(why), { hopeless: true });
}

// waitFor(page, log, what, condition, limit): polls condition() (in Node; it may ask the page)
// until it returns a true value, and returns that value; gives up after limit ms, or when
// condition throws hopeless(...), with what it waited for and the evidence.
export async function waitFor(page, log, what, condition, limit = STEP_LIMIT_MS) {
    const started = Date.now();
    let lastError = null;
    for (;;) {
        try {
            const value = await condition();
            if (value) return value;
        } catch (error) {
            lastError = error;
        }
        if (lastError?.hopeless || Date.now() - started > limit) {
            const when = lastError?.hopeless ? `after ${Math.round((Date.now() - started) / 1000)} s`
                : `after ${Math.round(limit / 1000)} s`;
            throw new Error(`gave up ${when} waiting for ${what}` +
                (lastError ? ` (${lastError.hopeless ? '' : 'last error: '}${lastError.message})` : '') +
                `\n  ${await evidence(page, log)}`);
        }
        await new Promise((resolve) => setTimeout(resolve, 50));
    }
}

// waitForConsole(page, log, pattern, limit): the first console line that matches pattern; gives
// up at once when the page shows its message (#message: the game has ended, or cannot run).
export function waitForConsole(page, log, pattern, limit = LOAD_LIMIT_MS) {
    return waitFor(page, log, `a console line matching ${pattern}`, async () => {
        const line = log.lines.find((text) => pattern.test(text));
        if (line) return line;
        const message = await page.evaluate(() => {
            const element = document.getElementById('message');
            return element && !element.hidden ? element.textContent : null;
        });
        if (message) throw hopeless(`the page shows its message instead: ${JSON.stringify(message)}`);
        return null;
    }, limit);
}

// withBrowser(options, body): a fresh profile (unless options.profile names one), the server
// and the browser, all ended when body(context) has finished, also when it throws.
export async function withBrowser(options, body) {
    const scratch = options.profile ? null : scratchFolder('profile');
    const server = options.server ?? (await startServer());
    let browser = null;
    try {
        browser = await launchBrowser({ ...options, profile: options.profile ?? scratch.folder });
        return await body({ browser, server, url: server.url });
    } finally {
        if (browser) await browser.close().catch(() => {});
        if (!options.server) await server.stop();
        scratch?.remove();
    }
}

// openPage(browser, url): a new page, watched from before it loads.
export async function openPage(browser, url, { waitUntil = 'load' } = {}) {
    const page = await browser.newPage();
    const log = watchPage(page);
    await page.goto(url, { waitUntil, timeout: LOAD_LIMIT_MS });
    return { page, log };
}
