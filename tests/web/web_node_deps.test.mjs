// scripts/web-node-deps with a stand-in npm first on PATH, in a cache folder of its own: the
// folder is named by the lock file's hash and printed as the only line of standard output, npm
// runs `ci` without install scripts, a finished folder is reused without npm, a failed install
// leaves neither a folder that looks finished nor its scratch folder, and a run that finds
// another one installing waits for it and then reuses what it installed.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { chmodSync, existsSync, mkdirSync, readdirSync, readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { scratchFolder, sourceRoot } from './support/browser.mjs';

const script = path.join(sourceRoot, 'scripts/web-node-deps');
const key = createHash('sha256')
    .update(readFileSync(path.join(sourceRoot, 'tests/web/package-lock.json'))).digest('hex');

// A scratch cache and a stand-in npm: it logs its arguments, fails when $dir/fail exists, waits
// while $dir/hold exists, and otherwise "installs" puppeteer-core.
function setUp() {
    const scratch = scratchFolder('node-deps');
    const dir = scratch.folder;
    mkdirSync(path.join(dir, 'bin'));
    const npm = path.join(dir, 'bin/npm');
    writeFileSync(npm, `#!/bin/sh
echo "npm $*" >>"${dir}/log"
[ "$1" = --version ] && { echo 11.0.0; exit 0; }
while [ -e "${dir}/hold" ]; do sleep 0.05; done
[ -e "${dir}/fail" ] && exit 1
mkdir -p node_modules/puppeteer-core && echo '{}' >node_modules/puppeteer-core/package.json
`);
    chmodSync(npm, 0o755);
    const env = { ...process.env, PATH: `${dir}/bin:${process.env.PATH}`,
        BRILLOX_WEB_NODE_CACHE: path.join(dir, 'cache') };
    const log = () => (existsSync(path.join(dir, 'log')) ? readFileSync(path.join(dir, 'log'), 'utf8') : '');
    const run = () => spawnSync('sh', [script], { env, encoding: 'utf8' });
    return { dir, env, log, run, cache: path.join(dir, 'cache'), remove: scratch.remove };
}

test('web-node-deps: installs once per lock file and then reuses it without npm', (t) => {
    const s = setUp();
    t.after(s.remove);
    const first = s.run();
    assert.equal(first.status, 0, first.stderr);
    const modules = path.join(s.cache, key, 'node_modules');
    assert.equal(first.stdout, `${modules}\n`, 'standard output is the folder alone');
    assert.ok(existsSync(path.join(modules, 'puppeteer-core/package.json')));
    assert.match(s.log(), /^npm ci --ignore-scripts /m);

    writeFileSync(path.join(s.dir, 'fail'), '');
    writeFileSync(path.join(s.dir, 'log'), '');
    const again = s.run();
    assert.equal(again.status, 0, again.stderr);
    assert.equal(again.stdout, `${modules}\n`);
    assert.doesNotMatch(s.log(), /npm ci/, 'a finished folder is reused without npm');
});

test('web-node-deps: a failed install leaves no folder and no scratch folder', (t) => {
    const s = setUp();
    t.after(s.remove);
    mkdirSync(path.join(s.cache, '.build-killed'), { recursive: true });
    writeFileSync(path.join(s.dir, 'fail'), '');
    const failed = s.run();
    assert.notEqual(failed.status, 0);
    assert.equal(failed.stdout, '');
    assert.match(failed.stderr, /npm ci failed/);
    assert.deepEqual(readdirSync(s.cache).filter((name) => name !== '.lock'), [],
        'neither the key folder nor a scratch folder (the killed run\'s included) is left');
});

test('web-node-deps: a second run waits for the one installing and reuses its folder', async (t) => {
    const s = setUp();
    t.after(s.remove);
    writeFileSync(path.join(s.dir, 'hold'), '');
    const first = spawn('sh', [script], { env: s.env });
    let firstOut = '';
    first.stdout.on('data', (data) => (firstOut += data));
    const firstDone = new Promise((resolve) => first.once('exit', resolve));
    // The first run holds the lock once npm has started.
    const started = Date.now();
    while (!/npm ci/.test(s.log())) {
        assert.ok(Date.now() - started < 60_000, `the first run never started npm; its log: ${s.log()}`);
        await new Promise((resolve) => setTimeout(resolve, 20));
    }
    const second = spawn('sh', [script], { env: s.env });
    let secondOut = '';
    let secondErr = '';
    second.stdout.on('data', (data) => (secondOut += data));
    second.stderr.on('data', (data) => (secondErr += data));
    const secondDone = new Promise((resolve) => second.once('exit', resolve));
    while (!/waiting for it/.test(secondErr)) {
        assert.ok(Date.now() - started < 60_000, `the second run did not wait; it said: ${secondErr}`);
        await new Promise((resolve) => setTimeout(resolve, 20));
    }
    (await import('node:fs')).rmSync(path.join(s.dir, 'hold'));
    assert.equal(await firstDone, 0);
    assert.equal(await secondDone, 0, secondErr);
    assert.equal(secondOut, firstOut);
    assert.equal(s.log().match(/npm ci/g).length, 1, 'npm ran once');
    assert.match(secondErr, /reusing/);
});
