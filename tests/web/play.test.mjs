// A real-time session in the browser, as a player has it: keys pressed through Chromium lead
// from the title to the main menu, change a setting and start level 1, and the canvas then shows
// what the desktop program's scripted run captures at the same points, pixel for pixel. The
// canvas screenshots are kept for a person to look at (BRILLOX_LINUX_BUILD/tests/web/screenshots).
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { cpSync, copyFileSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { LOAD_LIMIT_MS, scratchFolder, sourceRoot, startServer, waitFor, waitForConsole, watchPage, withBrowser } from './support/browser.mjs';
import { pixelDifference, readPng } from './support/png.mjs';

const linuxBuild = path.resolve(process.env.BRILLOX_LINUX_BUILD ?? path.join(sourceRoot, 'build/test'));
const shots = path.join(linuxBuild, 'tests/web/screenshots');

// The desktop's frames at the points the session passes: the menu, the menu with four lives
// (one Right on "Leben"), and level 1 before the first move. The menu and the level's first
// frames stand still, so a frame of the real-time session can equal them.
const DESKTOP_SCRIPT = `wait 300
tap Enter
wait 300
capture menu.png
tap Down
wait 100
tap Right
wait 200
capture menu_lives.png
tap Up
wait 100
tap Enter
wait 500
capture level_1.png
end
`;

let desktop;
let server;
before(async () => {
    server = await startServer();
    const scratch = scratchFolder('desktop');
    desktop = scratch;
    // The game reads its data from the folder that holds the program.
    cpSync(path.join(sourceRoot, 'data'), scratch.folder, { recursive: true });
    copyFileSync(path.join(linuxBuild, 'brillox'), path.join(scratch.folder, 'brillox'));
    writeFileSync(path.join(scratch.folder, 'script.txt'), DESKTOP_SCRIPT);
    const run = spawnSync(path.join(scratch.folder, 'brillox'), ['--script', 'script.txt'], {
        cwd: scratch.folder, encoding: 'utf8', timeout: 300_000,
        env: { ...process.env, SDL_VIDEODRIVER: 'offscreen', SDL_AUDIODRIVER: 'dummy', TMPDIR: scratch.folder,
            LC_ALL: 'C', LANGUAGE: '',
            ASAN_OPTIONS: `detect_leaks=0:intercept_tls_get_addr=0:${process.env.ASAN_OPTIONS ?? ''}` },
    });
    assert.equal(run.status, 0, `the desktop run failed: ${run.stdout}${run.stderr}`);
});
after(async () => {
    await server?.stop();
    desktop?.remove();
});

const desktopFrame = (name) => readPng(readFileSync(path.join(desktop.folder, name)));

// canvasShot(page): the canvas as the player sees it (factor 1 here: 640 x 480 pixels).
const canvasShot = async (page) => Buffer.from(await (await page.$('#canvas')).screenshot());

// showsFrame(page, frame): the canvas shows frame exactly; the last shot is kept in `seen`.
const seen = {};
async function showsFrame(page, frame) {
    seen.bytes = await canvasShot(page);
    seen.difference = pixelDifference(readPng(seen.bytes), frame);
    return seen.difference.pixels === 0;
}

// pressUntil(page, log, key, what, condition): holds key until condition() holds (the game reads
// the keys once a frame, so a press shorter than a frame may go unseen), then lets it go.
async function pressUntil(page, log, key, what, condition) {
    await page.keyboard.down(key);
    try {
        await waitFor(page, log, `${what} while ${key} is held`, condition);
    } finally {
        await page.keyboard.up(key);
    }
}

function keep(name, bytes) {
    mkdirSync(shots, { recursive: true });
    writeFileSync(path.join(shots, name), bytes);
}

test('keys in the browser reach the menu, change the lives and start level 1 as on the desktop', async () => {
    // A window where the canvas fits once (with the page's help line below it): factor 1.
    await withBrowser({ server, width: 700, height: 720 }, async ({ browser, url }) => {
        // The page gives the game the browser's language; the desktop's scripted run plays in the
        // C locale, in German: a German-speaking player's browser shows the same texts.
        const page = await browser.newPage();
        await page.evaluateOnNewDocument(() => {
            Object.defineProperty(navigator, 'languages', { get: () => ['de-DE', 'de'] });
            Object.defineProperty(navigator, 'language', { get: () => 'de-DE' });
        });
        const log = watchPage(page);
        await page.goto(url, { waitUntil: 'load', timeout: LOAD_LIMIT_MS });
        const box = await page.evaluate(() => document.getElementById('canvas').getBoundingClientRect().toJSON());
        await page.mouse.click(box.left + box.width / 2, box.top + box.height / 2);
        await waitForConsole(page, log, /Init OK/);
        // The title moves (a figure walks, a banner scrolls): it is only kept, once it shows.
        await waitFor(page, log, 'the title on the canvas', async () => {
            const { rgb } = readPng(await canvasShot(page));
            return rgb.some((value) => value > 64);
        });
        keep('title.png', await canvasShot(page));

        const menu = desktopFrame('menu.png');
        const differs = (frame) => async () => !(await showsFrame(page, frame));
        const equals = (frame) => () => showsFrame(page, frame);
        // On a failure the last shot is kept beside the others as NAME-seen.png.
        const says = (name) => {
            if (seen.bytes) keep(name.replace('.png', '-seen.png'), seen.bytes);
            return `the desktop's ${name} (last difference ${JSON.stringify(seen.difference)}; ` +
                `the canvas as seen last is in ${shots})`;
        };
        await pressUntil(page, log, 'Enter', 'the menu', equals(menu)).catch((error) => {
            throw new Error(`${error.message}\n  ${says('menu.png')}`);
        });
        keep('menu.png', seen.bytes);
        await pressUntil(page, log, 'ArrowDown', 'the cursor on another line', differs(menu));
        const lives = desktopFrame('menu_lives.png');
        await pressUntil(page, log, 'ArrowRight', 'four lives', equals(lives)).catch((error) => {
            throw new Error(`${error.message}\n  ${says('menu_lives.png')}`);
        });
        keep('menu_lives.png', seen.bytes);
        await pressUntil(page, log, 'ArrowUp', 'the cursor back on Start', differs(lives));
        const level = desktopFrame('level_1.png');
        await pressUntil(page, log, 'Enter', 'level 1', differs(lives));
        await waitFor(page, log, 'level 1 as the desktop shows it', equals(level)).catch((error) => {
            throw new Error(`${error.message}\n  ${says('level_1.png')}`);
        });
        keep('level_1.png', seen.bytes);
    });
});
