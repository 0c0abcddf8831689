// viewer.js -- the page around the WebAssembly viewer: files in (drop, file
// button, ?file=URL, or the landscape lndtool web put into the page), the
// pointer and the keys handed to the module's camera rules, the camera in
// the URL's fragment, the panels as text over the canvas, F12's picture.
// Everything a landscape or a camera is made of is computed by the module.
"use strict";

var embedded = typeof LND_EMBEDDED !== "undefined" ? LND_EMBEDDED : null;

var Module = {
  canvas: document.getElementById("canvas"),
  print: function (text) { console.log(text); },
  printErr: function (text) { console.warn(text); },
  onRuntimeInitialized: function () { lndPage.start(); },
};
if (embedded) Module.wasmBinary = lndBase64Bytes(embedded.wasm);

function lndBase64Bytes(text) {
  var binary = atob(text);
  var bytes = new Uint8Array(binary.length);
  for (var i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

var lndPage = (function () {
  var canvas = document.getElementById("canvas");
  var panels = document.getElementById("panels");
  // W S A D Q E: the order the module polls them in.
  var moveCodes = ["KeyW", "KeyS", "KeyA", "KeyD", "KeyQ", "KeyE"];
  var held = 0, previousFly = 0, pending = false, frameMs = 0, name = "land";
  var state = { ready: false, loaded: false, fault: "", frames: 0, loadStart: 0, firstFrameMs: 0,
                firstFrameAt: 0 };

  function call(fn, ret, types, args) { return Module.ccall(fn, ret, types, args); }
  function now() { return Math.floor(performance.now()) >>> 0; }

  function fragmentCameraLine(hash) {
    var values = {};
    hash.replace(/^#/, "").split("&").forEach(function (part) {
      var eq = part.indexOf("=");
      if (eq > 0) values[part.slice(0, eq)] = decodeURIComponent(part.slice(eq + 1)).split(",");
    });
    if (!values.pos || !values.rot || !values.zoom) return null;
    return "pos : " + values.pos.join(" ") + " | rot: " + values.rot.join(" ") + " | zoom : " + values.zoom.join(" ");
  }

  function cameraFragment() {
    var numbers = call("lnd_camera_line", "string", [], []).match(/-?[0-9.]+(e[-+]?[0-9]+)?/g).map(function (n) {
      return String(parseFloat(n));
    });
    return "#pos=" + numbers.slice(0, 3).join(",") + "&rot=" + numbers.slice(3, 6).join(",") + "&zoom=" + numbers[6];
  }

  function applyFragment() {
    var line = fragmentCameraLine(location.hash);
    if (line === null) return false;
    if (!call("lnd_set_camera_line", "number", ["string"], [line])) {
      console.warn("WARNING : " + location.hash + " : not a camera (#pos=X,Y,Z&rot=PITCH,YAW,ROLL&zoom=Z)");
      return false;
    }
    return true;
  }

  function noteCamera() {
    var fragment = cameraFragment();
    if (location.hash !== fragment) history.replaceState(null, "", fragment);
  }

  function drawPanels() {
    var boxes = JSON.parse(call("lnd_panels", "string", ["number", "number", "number"],
                                [canvas.width, canvas.height, frameMs > 0 ? 1000 / frameMs : 0]));
    panels.textContent = "";
    boxes.forEach(function (box) {
      var div = document.createElement("div");
      div.className = "panel";
      div.style.left = box.left + "px";
      div.style.top = box.top + "px";
      div.style.width = box.width + "px";
      div.style.height = box.height + "px";
      box.lines.forEach(function (line) {
        var row = document.createElement("div");
        if (line.swatch) {
          var swatch = document.createElement("span");
          swatch.className = "swatch";
          swatch.style.background = "rgb(" + line.swatch.map(function (c) { return Math.round(c * 255); }).join(",") + ")";
          row.appendChild(swatch);
        }
        row.appendChild(document.createTextNode(line.text));
        div.appendChild(row);
      });
      panels.appendChild(div);
    });
  }

  function draw() {
    pending = false;
    var start = performance.now();
    if (held) {
      var t = now();
      call("lnd_fly", null, ["number", "number", "number"], [held, previousFly, t]);
      previousFly = t;
    }
    call("lnd_frame", null, ["number", "number"], [canvas.width, canvas.height]);
    var took = performance.now() - start;
    frameMs = frameMs === 0 ? took : 0.8 * frameMs + 0.2 * took;
    drawPanels();
    state.frames += 1;
    if (state.loaded && !state.firstFrameMs) {
      call("lnd_finish", null, [], []);
      state.firstFrameMs = performance.now() - state.loadStart;
      state.firstFrameAt = performance.now();
    }
    if (held) request(); else noteCamera();
  }

  function request() {
    if (pending) return;
    pending = true;
    requestAnimationFrame(draw);
  }

  function fitCanvas() {
    var w = Math.max(1, canvas.clientWidth), h = Math.max(1, canvas.clientHeight);
    if (canvas.width !== w || canvas.height !== h) { canvas.width = w; canvas.height = h; }
    request();
  }

  function load(fileName, bytes) {
    name = String(fileName).replace(/^.*[\/\\]/, "") || "land.lnd";
    state.loadStart = performance.now();
    state.firstFrameMs = 0;
    try { FS.mkdir("/landscapes"); } catch (e) { /* there already */ }
    FS.chdir("/landscapes");
    FS.writeFile(name, bytes);
    state.loaded = call("lnd_load", "number", ["string"], [name]) === 1;
    FS.unlink(name);
    state.fault = call("lnd_fault", "string", [], []);
    document.title = name + " - Thornveil LND Visualizer";
    request();
    // Messages last five seconds.
    setTimeout(request, 5100);
  }

  function loadFile(file) {
    file.arrayBuffer().then(function (buffer) { load(file.name, new Uint8Array(buffer)); });
  }

  function savePicture() {
    call("lnd_frame", null, ["number", "number"], [canvas.width, canvas.height]);
    canvas.toBlob(function (blob) {
      var link = document.createElement("a");
      link.href = URL.createObjectURL(blob);
      link.download = name.replace(/\.lnd$/i, "") + ".png";
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(function () { URL.revokeObjectURL(link.href); }, 1000);
    }, "image/png");
  }

  function onKeyDown(e) {
    var move = moveCodes.indexOf(e.code);
    if (move >= 0) {
      if (!held) previousFly = now();
      held |= 1 << move;
      request();
      return;
    }
    if (e.repeat) return;
    var code = { k: 107, h: 104, f: 102 }[e.key] || { Tab: 9, Home: 36, F1: 112 }[e.key];
    if (code) {
      e.preventDefault();
      call("lnd_key", null, ["number"], [code]);
    } else if (e.key === "F12") {
      e.preventDefault();
      savePicture();
    } else if (e.key === "o") {
      document.getElementById("open").click();
    }
    request();
  }

  function onKeyUp(e) {
    var move = moveCodes.indexOf(e.code);
    if (move >= 0) held &= ~(1 << move);
  }

  function pointer(e) {
    var r = canvas.getBoundingClientRect();
    return [Math.round(e.clientX - r.left), Math.round(e.clientY - r.top)];
  }

  function start() {
    var error = call("lnd_start", "string", [], []);
    if (error) {
      state.fault = error;
      console.warn(error);
      panels.textContent = error;
      panels.className = "panel";
      return;
    }
    applyFragment();
    window.addEventListener("resize", fitCanvas);
    window.addEventListener("hashchange", function () { if (applyFragment()) request(); });
    window.addEventListener("keydown", onKeyDown);
    window.addEventListener("keyup", onKeyUp);
    window.addEventListener("blur", function () { held = 0; });
    canvas.addEventListener("mousedown", function (e) {
      var p = pointer(e);
      e.preventDefault();
      canvas.focus();
      call("lnd_mouse", null, ["number", "number", "number", "number"], [e.button, 0, p[0], p[1]]);
      request();
    });
    window.addEventListener("mouseup", function (e) {
      var p = pointer(e);
      call("lnd_mouse", null, ["number", "number", "number", "number"], [e.button, 1, p[0], p[1]]);
      request();
    });
    window.addEventListener("mousemove", function (e) {
      var p = pointer(e);
      call("lnd_motion", null, ["number", "number"], p);
      request();
    });
    canvas.addEventListener("mouseleave", function () { call("lnd_pointer_left", null, [], []); request(); });
    canvas.addEventListener("contextmenu", function (e) { e.preventDefault(); });
    canvas.addEventListener("wheel", function (e) {
      e.preventDefault();
      if (e.deltaY !== 0) call("lnd_wheel", null, ["number"], [e.deltaY < 0 ? 1 : -1]);
      request();
    }, { passive: false });
    document.addEventListener("dragover", function (e) { e.preventDefault(); });
    document.addEventListener("drop", function (e) {
      e.preventDefault();
      if (e.dataTransfer.files.length) loadFile(e.dataTransfer.files[0]);
    });
    document.getElementById("open").addEventListener("change", function (e) {
      if (e.target.files.length) loadFile(e.target.files[0]);
    });
    document.getElementById("picture").addEventListener("click", savePicture);
    state.ready = true;
    fitCanvas();
    var file = new URLSearchParams(location.search).get("file");
    if (embedded) {
      load(embedded.name, lndBase64Bytes(embedded.land));
    } else if (file) {
      fetch(file).then(function (response) {
        if (!response.ok) throw new Error(response.status + " " + response.statusText);
        return response.arrayBuffer();
      }).then(function (buffer) { load(file, new Uint8Array(buffer)); }, function (fault) {
        state.fault = "ERROR : " + file + " : cannot be fetched: " + fault.message;
        panels.innerHTML = "";
        var div = document.createElement("div");
        div.className = "panel";
        div.style.left = div.style.top = "8px";
        div.textContent = state.fault;
        panels.appendChild(div);
      });
    } else {
      console.log("Drop a .lnd file on the page, or open one with the button");
    }
  }

  // For the tests and the benchmark: the canvas as a PNG data URL, and
  // frames drawn back to back, finished, in milliseconds each.
  function picture() {
    call("lnd_frame", null, ["number", "number"], [canvas.width, canvas.height]);
    return canvas.toDataURL("image/png");
  }
  function timeFrames(count) {
    call("lnd_frame", null, ["number", "number"], [canvas.width, canvas.height]);
    call("lnd_finish", null, [], []);
    var start = performance.now();
    for (var i = 0; i < count; ++i) {
      call("lnd_frame", null, ["number", "number"], [canvas.width, canvas.height]);
      call("lnd_finish", null, [], []);
    }
    return (performance.now() - start) / count;
  }

  return { start: start, state: state, picture: picture, timeFrames: timeFrames, load: load };
})();
