// The player's files in the browser live in IndexedDB: a game saved in one page is there after
// a reload and after the browser was closed and started again on the same profile, and a save
// whose sync to IndexedDB fails is told to the player as not saved.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { launchBrowser, openPage, scratchFolder, sourceRoot, startServer, watchPage } from './support/browser.mjs';
import { runInPage } from './support/hook.mjs';

const scripts = path.join(sourceRoot, 'tests/game/scripts');
const scriptArgs = ['--script', 'script.txt', '--trace', 'trace.txt', '--write-player-files'];

// The game of score_and_settings_saved.txt: a game saved in slot 2 as "AB" with 610 points on
// level 2 with five lives, and "AB" with 610 points in the table.
const savingGame = {
    args: scriptArgs,
    files: { 'script.txt': readFileSync(path.join(scripts, 'score_and_settings_saved.txt')) },
    dataFiles: { 'Level.ini': readFileSync(path.join(scripts, 'two_levels.ini')) },
};
const SAVED_SLOT = /^2=AB,610,2,5\r$/m;
const SAVED_SCORE = /^1=AB,610\r$/m;

// A run that only looks: the game starts and ends at once, and hands back the player's files
// it found.
const lookingRun = { args: scriptArgs, files: { 'script.txt': Buffer.from('end\n') } };

let server;
before(async () => (server = await startServer()));
after(async () => server?.stop());

// play(browser, request): one run of the game in a fresh page of browser.
async function play(browser, request) {
    const { page, log } = await openPage(browser, `${server.url}index.html?test`);
    try {
        return { ...(await runInPage(page, log, request)), log };
    } finally {
        await page.close();
    }
}

const text = (result, name) => result.files[name]?.toString('latin1') ?? `(no ${name})`;

test('a saved game and a highscore are there after a reload and after a browser restart', async (t) => {
    const profile = scratchFolder('profile');
    t.after(profile.remove);
    let browser = await launchBrowser({ profile: profile.folder });
    try {
        const saved = await play(browser, savingGame);
        assert.equal(saved.status, 0, saved.stderr);
        assert.match(text(saved, 'savegame.ini'), SAVED_SLOT);
        assert.match(text(saved, 'highscore.ini'), SAVED_SCORE);

        const reloaded = await play(browser, lookingRun);
        assert.match(text(reloaded, 'savegame.ini'), SAVED_SLOT, 'after a reload');
        assert.match(text(reloaded, 'highscore.ini'), SAVED_SCORE, 'after a reload');
    } finally {
        await browser.close();
    }
    browser = await launchBrowser({ profile: profile.folder });
    try {
        const restarted = await play(browser, lookingRun);
        assert.match(text(restarted, 'savegame.ini'), SAVED_SLOT, 'after a browser restart');
        assert.match(text(restarted, 'highscore.ini'), SAVED_SCORE, 'after a browser restart');
    } finally {
        await browser.close();
    }
    // A fresh profile has none of it: the files above came from this profile's IndexedDB.
    const other = scratchFolder('profile');
    t.after(other.remove);
    browser = await launchBrowser({ profile: other.folder });
    try {
        const fresh = await play(browser, lookingRun);
        assert.doesNotMatch(text(fresh, 'savegame.ini'), SAVED_SLOT, 'in another profile');
    } finally {
        await browser.close();
    }
});

// A save counts only once IndexedDB has it: when the store of the player's folder after
// writing savegame.ini fails, the game says the game was not saved and the trace has no
// ini_save line for it. (The player's files are given, so the save is the run's first store:
// the game copies no shipped empty file in first. The game then waits on its "not saved"
// screen, so the script's later keys play a different game: only the save is checked.)
test('a save whose store in IndexedDB fails is reported as not saved', async (t) => {
    const profile = scratchFolder('profile');
    t.after(profile.remove);
    const browser = await launchBrowser({ profile: profile.folder });
    try {
        const result = await play(browser, { ...savingGame, failStores: 1, playerFiles: {
            'savegame.ini': readFileSync(path.join(sourceRoot, 'data/savegame.ini')),
            'highscore.ini': readFileSync(path.join(sourceRoot, 'data/highscore.ini')),
        } });
        assert.equal(result.status, 0, result.stderr);
        assert.match(result.stderr, /savegame\.ini: cannot be saved: /, `its standard error: ${result.stderr}`);
        assert.doesNotMatch(text(result, 'trace.txt'), /^ini_save savegame\.ini$/m);
    } finally {
        await browser.close();
    }
});
