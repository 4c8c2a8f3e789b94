// Every scripted game of tests/game/scripts, and the recorded level solutions on Hard (every
// shipped level in a row, the shortest way through all of them; the other difficulties play the
// same rules for minutes more each in the browser, and the desktop and Windows tests play their
// first twelve levels), played by the desktop program and in the browser from the same data,
// script and given files:
// the trace, the captures and the player's files must be the same byte for byte
// (tests/game/same_files_test.sh --browser compares them and names the first difference).
//
// BRILLOX_LINUX_BUILD names the desktop build (its brillox), BRILLOX_SOLUTIONS_DIR the folder of
// the solution scripts its level tool wrote (run-tests.sh writes them), BRILLOX_WEB_DIR the page.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, readdirSync } from 'node:fs';
import path from 'node:path';
import { sourceRoot } from './support/browser.mjs';

const linuxBuild = path.resolve(process.env.BRILLOX_LINUX_BUILD ?? path.join(sourceRoot, 'build/test'));
const scriptsDir = path.join(sourceRoot, 'tests/game/scripts');
const solutionsDir = path.resolve(process.env.BRILLOX_SOLUTIONS_DIR ?? path.join(linuxBuild, 'tests/web/solutions'));
const workRoot = path.join(linuxBuild, 'tests/web/same_files');

const games = readdirSync(scriptsDir).filter((name) => name.endsWith('.txt')).sort()
    .map((name) => ({ name: path.basename(name, '.txt'), script: path.join(scriptsDir, name) }));
games.push({ name: 'solutions_hard', script: path.join(solutionsDir, 'hard.txt') });

for (const { name, script } of games) {
    test(`the browser leaves the desktop's files: ${name}`, () => {
        assert.ok(existsSync(script), `${script} is missing: run-tests.sh writes it with the level tool`);
        const run = spawnSync('sh', [path.join(sourceRoot, 'tests/game/same_files_test.sh'), '--browser',
            path.join(workRoot, name), path.join(linuxBuild, 'brillox'),
            path.join(sourceRoot, 'tests/web/play_script.mjs'), path.join(sourceRoot, 'data'), script,
            scriptsDir], { encoding: 'utf8', timeout: 1_800_000 });
        const output = `${run.stdout}${run.stderr}`;
        if (run.error) assert.fail(`same_files_test.sh could not run: ${run.error.message}\n${output}`);
        assert.equal(run.status, 0, `the files differ or a side failed:\n${output}`);
        console.log(output.trim());
    });
}
