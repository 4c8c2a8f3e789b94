// The page as a player meets it, in headless Chromium: it loads without errors, scales the
// canvas by a whole factor and centres it, waits behind an overlay for a click or a key (sound
// needs a gesture), keeps the game's keys from scrolling the page, and says clearly what is
// missing in a browser without WebGL 2 or WebAssembly.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { LOAD_LIMIT_MS, openPage, startServer, waitFor, waitForConsole, watchPage, withBrowser } from './support/browser.mjs';

let server;
before(async () => (server = await startServer()));
after(async () => server?.stop());

// problems(log): the console errors, uncaught errors and failed requests among the lines.
const problems = (log) => log.lines.filter((line) =>
    /^(console\.error|page error|request failed|HTTP [45])/.test(line));

// canvasBox(page): the canvas's place on the page in CSS pixels.
const canvasBox = (page) => page.evaluate(() => {
    const box = document.getElementById('canvas').getBoundingClientRect();
    return { left: box.left, top: box.top, width: box.width, height: box.height,
        rendering: getComputedStyle(document.getElementById('canvas')).imageRendering };
});

// topElementAtCanvasCentre(page): the id (or tag) of what a click at the canvas's centre hits.
const topElementAtCanvasCentre = (page) => page.evaluate(() => {
    const box = document.getElementById('canvas').getBoundingClientRect();
    const element = document.elementFromPoint(box.left + box.width / 2, box.top + box.height / 2);
    return element ? element.id || element.tagName.toLowerCase() : 'nothing';
});

// startGame(page, log, how): the player's gesture (a click on the overlay, or a key), then
// the wait until the game has started ("Init OK") and the canvas is what a click hits.
async function startGame(page, log, how = 'click') {
    await waitFor(page, log, 'the overlay over the canvas',
        async () => (await topElementAtCanvasCentre(page)) !== 'canvas');
    if (how === 'click') {
        const box = await canvasBox(page);
        await page.mouse.click(box.left + box.width / 2, box.top + box.height / 2);
    } else {
        await page.keyboard.press(how);
    }
    await waitForConsole(page, log, /Init OK/);
    await waitFor(page, log, 'the overlay gone after the gesture',
        async () => (await topElementAtCanvasCentre(page)) === 'canvas');
}

test('the page loads, starts on a click and says Init OK, with no error on the console', async () => {
    await withBrowser({ server }, async ({ browser, url }) => {
        const { page, log } = await openPage(browser, url);
        await startGame(page, log, 'click');
        assert.deepEqual(problems(log), [], `the console:\n${log.text()}`);
    });
});

test('a key starts the game as well as a click, and the canvas then has the focus', async () => {
    await withBrowser({ server }, async ({ browser, url }) => {
        const { page, log } = await openPage(browser, url);
        await startGame(page, log, 'Enter');
        assert.equal(await page.evaluate(() => document.activeElement?.id), 'canvas');
    });
});

// Whole factors keep every pixel of the 640 x 480 frame a square of equal pixels; the largest
// that fits the space above the page's help line is taken, and the canvas is centred in that
// space on black. Each case gives the space; the window is made taller by the help line.
test('the canvas is scaled by the largest whole factor that fits, crisply, and centred', async () => {
    await withBrowser({ server }, async ({ browser, url }) => {
        const { page, log } = await openPage(browser, url);
        await startGame(page, log);
        const cases = [
            { width: 700, height: 520, factor: 1 },
            { width: 1400, height: 1000, factor: 2 },
            { width: 1280, height: 960, factor: 2 },    // twice the frame exactly
            { width: 1279, height: 1000, factor: 1 },   // one pixel short of twice the width
            { width: 1300, height: 959, factor: 1 },    // one pixel short of twice the height
            { width: 2000, height: 1500, factor: 3 },
            { width: 1920, height: 1080, factor: 2 },   // the height decides
        ];
        const helpHeight = () => page.evaluate(() =>
            document.getElementById('help')?.getBoundingClientRect().height ?? 0);
        for (const { width, height, factor } of cases) {
            // The help line's height at this width (its text may wrap), then the window.
            await page.setViewport({ width, height });
            const help = Math.ceil(await helpHeight());
            await page.setViewport({ width, height: height + help });
            const box = await waitFor(page, log, `the canvas at ${factor}x in ${width}x${height} above the help`,
                async () => {
                    const box = await canvasBox(page);
                    const seen = { ...box, stage: await page.evaluate(() => {
                        const stage = document.getElementById('stage');
                        return [stage.clientWidth, stage.clientHeight];
                    }) };
                    if (box.width === 640 * factor && box.height === 480 * factor) return box;
                    throw new Error(`the canvas was ${JSON.stringify(seen)}`);
                });
            const where = `${width}x${height} and ${help} of help: ${JSON.stringify(box)}`;
            assert.ok(Math.abs(box.left - (width - box.width) / 2) <= 1, `not centred across, ${where}`);
            assert.ok(Math.abs(box.top - (height - box.height) / 2) <= 1, `not centred down, ${where}`);
            assert.match(box.rendering, /pixelated|crisp-edges/, `smoothed when scaled, ${where}`);
        }
    });
});

// The browser would scroll the page on the arrows, Space and Backspace (or go back): while the
// canvas has the focus, those keys are the game's alone.
test('the game keys do not reach the browser while the canvas has the focus', async () => {
    await withBrowser({ server }, async ({ browser, url }) => {
        const { page, log } = await openPage(browser, url);
        await startGame(page, log);
        // Seen last, after every listener of the page: was the default action prevented?
        await page.evaluate(() => {
            window.seenKeys = [];
            window.addEventListener('keydown',
                (event) => window.seenKeys.push([event.key, event.defaultPrevented]));
        });
        await page.focus('#canvas');
        const keys = ['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Space', 'Backspace'];
        for (const key of keys) await page.keyboard.press(key);
        const seen = await page.evaluate(() => window.seenKeys);
        assert.equal(seen.length, keys.length, `keys seen: ${JSON.stringify(seen)}`);
        for (const [key, prevented] of seen) assert.ok(prevented, `${key} was left to the browser`);
        assert.deepEqual(await page.evaluate(() => [scrollX, scrollY]), [0, 0]);
    });
});

// What a browser without the feature shows: a message naming it, not a blank or black page.
for (const [feature, hide] of [
    ['WebGL 2', () => {
        delete window.WebGL2RenderingContext;
        const getContext = HTMLCanvasElement.prototype.getContext;
        HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
            return kind === 'webgl2' ? null : getContext.call(this, kind, ...rest);
        };
    }],
    ['WebAssembly', () => {
        delete window.WebAssembly;
    }],
]) {
    test(`without ${feature} the page says so instead of staying blank`, async () => {
        await withBrowser({ server }, async ({ browser, url }) => {
            const page = await browser.newPage();
            await page.evaluateOnNewDocument(hide);
            const log = watchPage(page);
            await page.goto(url, { waitUntil: 'load', timeout: LOAD_LIMIT_MS });
            const pattern = feature === 'WebGL 2' ? /WebGL/ : /WebAssembly/;
            await waitFor(page, log, `a message naming ${feature}`, async () =>
                pattern.test(await page.evaluate(() => document.body.innerText)));
            assert.ok(!log.lines.some((line) => /Init OK/.test(line)), 'the game started all the same');
        });
    });
}

// The same in a browser whose WebGL is switched off by its own setting.
test('with WebGL switched off in the browser the page says so', async () => {
    await withBrowser({ server, args: ['--disable-webgl'] }, async ({ browser, url }) => {
        const { page, log } = await openPage(browser, url);
        await waitFor(page, log, 'a message naming WebGL', async () =>
            /WebGL/.test(await page.evaluate(() => document.body.innerText)));
        assert.ok(!log.lines.some((line) => /Init OK/.test(line)), 'the game started all the same');
    });
});
