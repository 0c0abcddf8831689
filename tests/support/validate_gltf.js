// validate_gltf.js -- runs the Khronos glTF validator (npm gltf-validator) on
// one .glb or .gltf file, its external files read beside it, and prints the
// validator's report as JSON. The module comes from GLTF_VALIDATOR_MODULES
// (the build tree's node_modules, where scripts/install-deps.sh puts it).
//   node validate_gltf.js FILE
"use strict";
const fs = require("fs");
const path = require("path");
const validator = require(path.join(process.env.GLTF_VALIDATOR_MODULES, "gltf-validator"));

const file = process.argv[2];
validator
    .validateBytes(new Uint8Array(fs.readFileSync(file)), {
        uri: path.basename(file),
        maxIssues: 0,
        externalResourceFunction: (uri) =>
            fs.promises.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri))).then((d) => new Uint8Array(d)),
    })
    .then((report) => console.log(JSON.stringify(report, null, 1)))
    .catch((error) => {
        console.error("ERROR : " + file + " : " + error);
        process.exit(2);
    });
