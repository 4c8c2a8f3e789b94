// Plays one scripted game in the browser, as the desktop program plays it from a start folder:
// the page (index.html?test) gets the start folder's files, the given player files and the
// command line, runs the game once, and hands back what it left. The files of the working
// folder are written back into the start folder, the player's files (highscore.ini,
// savegame.ini) into the player folder; the game's standard output and error become this
// program's, and its exit status this program's.
//
//   node play_script.mjs START PLAYER [NAME=FILE...] [-- GAME ARGUMENT...]
//
// NAME=FILE gives the game a file before it starts: the player's files go into the player's
// folder (IndexedDB), any other (a Level.ini) where the game reads its data. The game's
// arguments default to the scripted mode's: --script script.txt --trace trace.txt
// --write-player-files. A failure of the browser or the page (not of the game) ends with
// status 70 and what the page showed and said on standard error.
import { mkdirSync, readdirSync, readFileSync, statSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { openPage, withBrowser } from './support/browser.mjs';
import { runInPage } from './support/hook.mjs';

const PLAYER_FILES = new Set(['highscore.ini', 'savegame.ini']);

function usage() {
    console.error('usage: node play_script.mjs START PLAYER [NAME=FILE...] [-- GAME ARGUMENT...]');
    process.exit(2);
}

const argv = process.argv.slice(2);
const split = argv.indexOf('--');
const ours = split < 0 ? argv : argv.slice(0, split);
const gameArgs = split < 0
    ? ['--script', 'script.txt', '--trace', 'trace.txt', '--write-player-files']
    : argv.slice(split + 1);
if (ours.length < 2) usage();
const [start, player, ...given] = ours;

// filesIn(folder): every file below folder by its relative name (with '/').
function filesIn(folder, prefix = '') {
    const files = {};
    for (const entry of readdirSync(folder)) {
        const full = path.join(folder, entry);
        if (statSync(full).isDirectory()) Object.assign(files, filesIn(full, `${prefix}${entry}/`));
        else files[prefix + entry] = readFileSync(full);
    }
    return files;
}

const request = { args: gameArgs, files: filesIn(start), playerFiles: {}, dataFiles: {} };
for (const item of given) {
    const equals = item.indexOf('=');
    if (equals <= 0) usage();
    const name = item.slice(0, equals);
    const bytes = readFileSync(item.slice(equals + 1));
    if (PLAYER_FILES.has(name)) request.playerFiles[name] = bytes;
    else request.dataFiles[name] = bytes;
}

let result;
try {
    result = await withBrowser({}, async ({ browser, url }) => {
        const { page, log } = await openPage(browser, `${url}index.html?test`);
        return runInPage(page, log, request);
    });
} catch (error) {
    console.error(`browser driver: ${error.message}`);
    process.exit(70);
}

mkdirSync(player, { recursive: true });
for (const [name, bytes] of Object.entries(result.files)) {
    const target = path.join(PLAYER_FILES.has(name) ? player : start, name);
    mkdirSync(path.dirname(target), { recursive: true });
    writeFileSync(target, bytes);
}
process.stdout.write(result.stdout);
process.stderr.write(result.stderr);
process.exitCode = result.status;
