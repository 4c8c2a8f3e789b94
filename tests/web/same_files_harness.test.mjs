// tests/game/same_files_test.sh --browser with stand-ins for both programs (no browser, no
// game): the given files reach the browser side as NAME=FILE arguments ahead of "--" and the
// game's command line, also from a folder whose name holds a space; equal files pass, and a
// differing capture, a player file left alone by one side only, or a failed side fail with
// the difference named.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { chmodSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { scratchFolder, sourceRoot } from './support/browser.mjs';

// The desktop stand-in leaves a trace, a capture and both player files; the browser stand-in
// notes its arguments and leaves what $BROWSER_CAPTURE and $BROWSER_PLAYER_FILES tell it to.
function setUp() {
    const scratch = scratchFolder('harness');
    const dir = path.join(scratch.folder, 'with space');
    mkdirSync(path.join(dir, 'data'), { recursive: true });
    mkdirSync(path.join(dir, 'given'));
    writeFileSync(path.join(dir, 'data/Level.ini'), 'shipped\n');
    writeFileSync(path.join(dir, 'given/two_levels.ini'), 'given levels\n');
    writeFileSync(path.join(dir, 'given/save.ini'), 'given save\n');
    const script = path.join(dir, 'given/game.txt');
    writeFileSync(script, '#given Level.ini two_levels.ini\n#given savegame.ini save.ini\nwait 300\n');
    const desktop = path.join(dir, 'brillox');
    writeFileSync(desktop, `#!/bin/sh
echo "frame 1 0.000" >trace.txt
printf 'picture' >shot.png
echo "1=AB,610" >../game/highscore.ini
cat ../game/savegame.ini >/dev/null && echo "2=AB" >../game/savegame.ini
`);
    chmodSync(desktop, 0o755);
    const browser = path.join(dir, 'play.mjs');
    writeFileSync(browser, `import { writeFileSync } from 'node:fs';
const [start, player] = process.argv.slice(2);
writeFileSync(process.env.ARGS_FILE, JSON.stringify(process.argv.slice(2)));
writeFileSync(start + '/trace.txt', 'frame 1 0.000\\n');
writeFileSync(start + '/shot.png', process.env.BROWSER_CAPTURE ?? 'picture');
for (const name of (process.env.BROWSER_PLAYER_FILES ?? 'highscore.ini savegame.ini').split(' ')) {
    if (name) writeFileSync(player + '/' + name, name === 'highscore.ini' ? '1=AB,610\\n' : '2=AB\\n');
}
process.exitCode = Number(process.env.BROWSER_STATUS ?? 0);
`);
    const run = (env = {}) => spawnSync('sh', [path.join(sourceRoot, 'tests/game/same_files_test.sh'),
        '--browser', path.join(dir, 'work'), desktop, browser, path.join(dir, 'data'), script],
    { encoding: 'utf8', env: { ...process.env, ARGS_FILE: path.join(scratch.folder, 'args'), ...env } });
    return { dir, run, args: () => JSON.parse(readFileSync(path.join(scratch.folder, 'args'), 'utf8')),
        remove: scratch.remove };
}

test('same files: the browser side gets the given files and the command line, and equal files pass', (t) => {
    const s = setUp();
    t.after(s.remove);
    const run = s.run();
    assert.equal(run.status, 0, run.stdout + run.stderr);
    assert.match(run.stdout, /5 files the same on Linux and browser/);
    const work = path.join(s.dir, 'work/browser');
    assert.deepEqual(s.args(), [`${work}/start`, `${work}/game`,
        `Level.ini=${s.dir}/given/two_levels.ini`, `savegame.ini=${s.dir}/given/save.ini`, '--',
        '--script', 'script.txt', '--trace', 'trace.txt', '--write-player-files']);
});

test('same files: a differing capture, a player file one side left alone and a failed side are named', async (t) => {
    const s = setUp();
    t.after(s.remove);
    const capture = s.run({ BROWSER_CAPTURE: 'picturf' });
    assert.equal(capture.status, 1);
    assert.match(capture.stdout, /^start\/shot\.png differs: byte 7, line 1$/m);

    // A player file the browser run leaves alone stays as given, unlike the desktop's.
    const untouched = s.run({ BROWSER_PLAYER_FILES: 'highscore.ini' });
    assert.equal(untouched.status, 1);
    assert.match(untouched.stdout, /^game\/savegame\.ini differs: byte 1, line 1$/m);
    assert.match(untouched.stdout, /^ {4}browser line 1: given save$/m);

    const failed = s.run({ BROWSER_STATUS: '70' });
    assert.equal(failed.status, 1);
    assert.match(failed.stdout, /the browser program ended with status 70/);
});
