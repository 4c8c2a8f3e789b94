// The page around the game: checks that the browser can run it, scales the canvas, starts the
// game after a click or key (browsers allow sound only after one), keeps the game's keys from
// scrolling the page, offers fullscreen, and, for tests, runs the game from a script and hands
// back what it left (index.html?test: window.brilloxTest; index.html?script=URL).
// The program's own side (file system, IndexedDB) is in brillox-module.js.
(function () {
    "use strict";

    var WIDTH = 640;
    var HEIGHT = 480;
    var params = new URLSearchParams(window.location.search);
    var testMode = params.has("test");
    var scriptUrl = params.get("script");
    var canvas = document.getElementById("canvas");
    var stage = document.getElementById("stage");
    var startButton = document.getElementById("start");
    var messageBox = document.getElementById("message");
    var statusLine = document.getElementById("brillox-status");

    function showMessage(text) {
        messageBox.textContent = text;
        messageBox.hidden = false;
        startButton.hidden = true;
    }

    function webgl2Available() {
        try {
            var probe = document.createElement("canvas");
            return !!(window.WebGL2RenderingContext && probe.getContext("webgl2"));
        } catch (e) {
            return false;
        }
    }

    if (typeof WebAssembly !== "object" || typeof WebAssembly.instantiate !== "function") {
        showMessage("Dieser Browser kann brillox nicht ausführen: ihm fehlt WebAssembly. " +
                    "This browser cannot run brillox: it lacks WebAssembly.");
        return;
    }
    if (!webgl2Available()) {
        showMessage("Dieser Browser kann brillox nicht zeigen: ihm fehlt WebGL 2 (oder es ist " +
                    "abgeschaltet). This browser cannot show brillox: it lacks WebGL 2 (or has " +
                    "it switched off).");
        return;
    }

    // ---- The canvas: the largest whole factor of the picture that fits, in device pixels ----
    function fit() {
        var ratio = window.devicePixelRatio || 1;
        var factor = Math.floor(Math.min(stage.clientWidth * ratio / WIDTH,
                                         stage.clientHeight * ratio / HEIGHT));
        if (!(factor >= 1)) factor = 1;
        canvas.style.width = (WIDTH * factor / ratio) + "px";
        canvas.style.height = (HEIGHT * factor / ratio) + "px";
    }
    // SDL sets the canvas's size on a resize of its own; the page's size goes on top of it.
    window.addEventListener("resize", function () {
        window.requestAnimationFrame(fit);
    });
    // The stage also changes size without a resize of the window: when the help line below it
    // wraps anew, or a scroll bar comes or goes.
    if (typeof ResizeObserver === "function") {
        new ResizeObserver(function () {
            window.requestAnimationFrame(fit);
        }).observe(stage);
    }
    document.addEventListener("fullscreenchange", function () {
        window.requestAnimationFrame(fit);
    });
    fit();

    // ---- Fullscreen: the button and F11 (Alt+Enter too, as on the desktop) ----
    function toggleFullscreen() {
        if (document.fullscreenElement) {
            document.exitFullscreen();
        } else if (stage.requestFullscreen) {
            stage.requestFullscreen().catch(function () {});
        }
        canvas.focus();
    }
    document.getElementById("fullscreen").addEventListener("click", toggleFullscreen);
    window.addEventListener("keydown", function (event) {
        var altEnter = event.key === "Enter" && event.altKey;
        if (event.key === "F11" || altEnter) {
            // The page's fullscreen (the stage, the canvas scaled crisply), not the browser's
            // and not SDL's.
            event.preventDefault();
            event.stopPropagation();
            if (!event.repeat) toggleFullscreen();
        }
    }, true);

    // ---- The game's keys do not scroll or navigate the page while the canvas has focus ----
    var gameKeys = {
        ArrowUp: 1, ArrowDown: 1, ArrowLeft: 1, ArrowRight: 1, " ": 1, Spacebar: 1,
        Backspace: 1, Tab: 1, Enter: 1, Escape: 1, PageUp: 1, PageDown: 1, Home: 1, End: 1,
        "/": 1, "'": 1, F1: 1, F3: 1, F6: 1, F7: 1, F10: 1
    };
    function keepKey(event) {
        if (event.ctrlKey || event.metaKey) return; // the browser's own shortcuts stay
        if (gameKeys[event.key]) event.preventDefault();
    }
    canvas.addEventListener("keydown", keepKey);
    canvas.addEventListener("keyup", keepKey);
    canvas.addEventListener("mousedown", function () {
        canvas.focus();
    });

    // ---- The program ----
    var run = null; // the run in progress: its output and how it ends
    // The program's environment variables, set before its runtime starts: env=NAME=value in
    // the address, repeatable. The test hook and a script from the address play in the C
    // locale unless told otherwise, as the desktop's tests do, so that a scripted game speaks
    // the game's own German whatever the browser's language.
    var environment = testMode || scriptUrl !== null ? {LC_ALL: "C"} : {};
    params.getAll("env").forEach(function (setting) {
        var equals = setting.indexOf("=");
        if (equals > 0) environment[setting.substring(0, equals)] = setting.substring(equals + 1);
    });
    var ready = new Promise(function (resolve) {
        window.Module = {
            brilloxEnvironment: environment,
            canvas: canvas,
            print: function (text) {
                console.log(text);
                if (run) run.stdout += text + "\n";
            },
            printErr: function (text) {
                console.error(text);
                if (run) run.stderr += text + "\n";
            },
            onRuntimeInitialized: resolve,
            onExit: function (status) {
                finish(status);
            },
            onAbort: function (what) {
                if (run) run.stderr += "abort: " + what + "\n";
                finish(-1);
            }
        };
    });
    var loader = document.createElement("script");
    loader.src = "brillox.js";
    loader.onerror = function () {
        showMessage("brillox.js konnte nicht geladen werden. brillox.js could not be loaded.");
    };
    document.body.appendChild(loader);

    function textOf(bytes) {
        return new TextDecoder("latin1").decode(bytes);
    }

    // The program has ended: its end report goes to the console too, the player's folder is
    // stored once more, and the run's result is handed back.
    function finish(status) {
        if (!run || run.done) return;
        run.done = true;
        var M = window.Module;
        try {
            var report = textOf(M.FS.readFile(M.brilloxEndReport));
            console.error(report);
            run.stderr += report;
        } catch (e) {
            // no end report written
        }
        M.brilloxStore().then(function (problem) {
            if (problem) console.error("brillox: the player's files were not stored: " + problem);
            var files = M.brilloxReadFolder(M.brilloxWorkFolder, true);
            var playerFiles = M.brilloxReadFolder(M.brilloxPlayerFolder, false);
            Object.keys(playerFiles).forEach(function (name) {
                files[name] = playerFiles[name];
            });
            return files;
        }).catch(function (error) {
            run.stderr += "the page could not read the program's files: " + error + "\n";
            return {};
        }).then(function (files) {
            run.resolve({status: status, stdout: run.stdout, stderr: run.stderr, files: files});
        });
    }

    // Starts the program once; resolves with {status, stdout, stderr, files} when it has ended.
    function start(options) {
        if (run) return Promise.reject(new Error("brillox runs once per page load"));
        run = {stdout: "", stderr: "", done: false};
        var finished = new Promise(function (resolve) {
            run.resolve = resolve;
        });
        return ready.then(function () {
            var M = window.Module;
            M.brilloxWriteFolder(M.brilloxWorkFolder, options.files);
            M.brilloxWriteFolder(M.brilloxDataFolder, options.dataFiles);
            M.brilloxWriteFolder(M.brilloxPlayerFolder, options.playerFiles);
            M.brilloxFailStores = options.failStores || 0;
            try {
                M.brilloxStart(options.args || []);
            } catch (e) {
                if (!(e && e.name === "ExitStatus")) {
                    run.stderr += String(e) + "\n" + (e && e.stack ? e.stack + "\n" : "");
                    finish(-1);
                }
            }
            return finished;
        });
    }

    if (testMode) {
        // For the browser tests: nothing starts by itself.
        window.brilloxTest = {
            // {args: [...], files: {name: Uint8Array or string} (the working folder),
            //  dataFiles: {...} (the game's data folder: a given Level.ini),
            //  playerFiles: {...} (the player's folder: highscore.ini, savegame.ini),
            //  failStores: n (the first n stores of the player's folder fail)}
            // The environment is the page's: see brilloxEnvironment above.
            run: start,
            // From now on the next n stores of the player's folder fail.
            failStores: function (n) {
                window.Module.brilloxFailStores = n;
            },
            ready: ready
        };
        statusLine.textContent = "test";
        return;
    }

    if (scriptUrl !== null) {
        // index.html?script=URL[&given=NAME:URL]...[&arg=...]...: plays a script on load.
        var fetchBytes = function (url) {
            return fetch(url).then(function (response) {
                if (!response.ok) throw new Error(url + ": " + response.status);
                return response.arrayBuffer();
            }).then(function (buffer) {
                return new Uint8Array(buffer);
            });
        };
        var scriptName = scriptUrl.split("/").pop().split("?")[0] || "script.txt";
        var files = {};
        var wanted = [fetchBytes(scriptUrl).then(function (bytes) {
            files[scriptName] = bytes;
        })];
        params.getAll("given").forEach(function (given) {
            var colon = given.indexOf(":");
            var name = given.substring(0, colon);
            wanted.push(fetchBytes(given.substring(colon + 1)).then(function (bytes) {
                files[name] = bytes;
            }));
        });
        var args = params.getAll("arg");
        if (args.length === 0) {
            args = ["--script", scriptName, "--trace", "trace.txt", "--write-player-files"];
        }
        statusLine.textContent = "running";
        Promise.all(wanted).then(function () {
            return start({args: args, files: files});
        }).then(function (result) {
            window.brilloxResult = result;
            statusLine.textContent = "done";
        }, function (error) {
            window.brilloxResult = {status: -1, stdout: "", stderr: String(error), files: {}};
            statusLine.textContent = "done";
        });
        return;
    }

    // A player: the game starts at the first click or key.
    startButton.hidden = false;
    function begin(event) {
        if (event) event.preventDefault();
        window.removeEventListener("keydown", begin);
        startButton.removeEventListener("click", begin);
        startButton.hidden = true;
        canvas.focus();
        start({args: []}).then(function () {
            showMessage("brillox ist beendet; neu laden, um wieder zu spielen. " +
                        "brillox has ended; reload the page to play again.");
        });
    }
    startButton.addEventListener("click", begin);
    window.addEventListener("keydown", begin);
})();
