# Installs the Python package from a copy of its sources (so that parallel builds never share
# setuptools' build folder) into a fresh virtual environment that sees Debian's own packages
# (numpy, MNE, Dask), with Debian's pip and setuptools and no network. The environment gets no
# pip of its own (seconds saved): Debian's, seen through the system's packages, installs into it.
#   cmake -DSOURCE=<python folder> -DWORK=<folder> -P install_package.cmake
file(REMOVE_RECURSE ${WORK})
file(COPY ${SOURCE}/ DESTINATION ${WORK}/source PATTERN build EXCLUDE PATTERN *.egg-info EXCLUDE
     PATTERN __pycache__ EXCLUDE)
execute_process(COMMAND /usr/bin/python3 -m venv --system-site-packages --without-pip
                        ${WORK}/venv
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${WORK}/venv/bin/python -m pip install --quiet --no-index
                        --no-build-isolation ${WORK}/source
                COMMAND_ERROR_IS_FATAL ANY)
